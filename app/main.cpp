#include "app/ConverterApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication qtApp(argc, argv);
    CConverterApp theApp;
    return theApp.run();
}
