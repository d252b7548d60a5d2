#pragma once

// The real window with recorded services, driven as a user would: choose a folder, press
// Scan, wait until the window is idle again, switch pages.

#include "ui/FakeServices.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <string>

namespace harrowdale::test {

class WindowDriver
{
public:
    WindowDriver() : Win(FakeServices(Log))
    {
        Win.resize(1200, 800);
        Win.show();
        QApplication::processEvents();
    }
    void ChoosePath(const std::string& path)
    {
        Win.rbCustomPath->setChecked(true);
        Win.cmbCustomPath->setEditText(QString::fromStdString(path));
    }
    bool WaitIdle(int timeoutMs = 60000)
    {
        QElapsedTimer t;
        t.start();
        while (Win.IsBusy() && t.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !Win.IsBusy();
    }
    /// Chooses `path`, presses Scan and waits for the end of the result pipeline.
    bool Scan(const std::string& path)
    {
        ChoosePath(path);
        Win.btnScan->click();
        return WaitIdle();
    }
    void ShowPage(int page)
    {
        Win.PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
    }
    QString Status() const { return Win.lblStatus->text(); }

    ServiceLog Log; // declared first: the window's services write into it
    ui::TfrmMain Win;
};

} // namespace harrowdale::test
