#include "app/scrivlet_application.h"

#include "app/handler_edge.h"

TScrivletApplication::TScrivletApplication(int& argc, char** argv)
    : QApplication(argc, argv), FDefaultBoxes(MakeQtMessageBoxes(nullptr)) {}

TScrivletApplication::~TScrivletApplication() = default;

bool TScrivletApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportUncaught(FReport != nullptr ? *FReport : *FDefaultBoxes, std::current_exception());
        return false;
    }
}
