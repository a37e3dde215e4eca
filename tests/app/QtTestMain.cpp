// main() for the Qt tests: a QApplication on the offscreen platform unless the caller
// chose another, and a private runtime directory so Qt does not complain.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtimeDir;
    if (!getenv("XDG_RUNTIME_DIR")) {
        char pattern[] = "/tmp/kestrel-qt-XXXXXX";
        if (const char* dir = mkdtemp(pattern)) {
            runtimeDir = dir;
            chmod(dir, 0700);
            setenv("XDG_RUNTIME_DIR", dir, 1);
        }
    }
    testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (!runtimeDir.empty())
        QDir(QString::fromStdString(runtimeDir)).removeRecursively();
    return result;
}
