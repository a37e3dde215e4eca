// kestrel-screenshot OUT.png MOVIE.avi...: runs the window with the real job on the
// movies (as one use of Add Files), saves a picture of the window once the job is a
// few frames into the first movie, with the preview and both rates showing, then
// aborts. scripts/screenshot.sh runs it under Xvfb.
#include "app/ConverterApp.h"
#include "res/Resource.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication qtApp(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrel-screenshot OUT.png MOVIE.avi...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QStringList movies;
    for (int i = 2; i < argc; ++i)
        movies << QString::fromLocal8Bit(argv[i]);

    CConverterApp app({}, [movies](QWidget*) { return movies; });
    bool saved = false;
    QTimer::singleShot(0, [&] {
        CConverterDlg* dlg = app.mainDialog();
        qobject_cast<QPushButton*>(dlg->dlgItem(IDC_ADDFILES))->click();
        auto* bar = qobject_cast<QProgressBar*>(dlg->dlgItem(IDC_PROGRESS));
        // Runs inside the job's progress step, so the frame and the rates of this very
        // step are on screen.
        QObject::connect(bar, &QProgressBar::valueChanged, dlg, [&, dlg, bar](int value) {
            if (saved || value < bar->maximum() / 3)
                return;
            saved = dlg->grab().save(out);
            qobject_cast<QPushButton*>(dlg->dlgItem(IDC_ABORT))->click();
        });
        qobject_cast<QPushButton*>(dlg->dlgItem(kqt::kIdOk))->click();
    });
    const int rc = app.run();
    if (!saved) {
        std::fprintf(stderr, "kestrel-screenshot: no picture saved to %s\n", argv[1]);
        return 1;
    }
    return rc;
}
