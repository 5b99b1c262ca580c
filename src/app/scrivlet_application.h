// The application object: a QApplication whose event delivery is the last net
// for exceptions, so one that escapes a handler is reported instead of ending
// the program.
#pragma once

#include "app/message_boxes.h"

#include <QApplication>

#include <memory>

class TScrivletApplication : public QApplication {
public:
    TScrivletApplication(int& argc, char** argv);
    ~TScrivletApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Where uncaught exceptions are reported; modal Qt boxes until set.
    void SetErrorReport(TMessageBoxes* boxes) { FReport = boxes; }

private:
    std::unique_ptr<TMessageBoxes> FDefaultBoxes;
    TMessageBoxes* FReport = nullptr;
};
