#include "app/message_boxes.h"

#include "app/error_report.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

class TQtMessageBoxes : public TMessageBoxes {
public:
    explicit TQtMessageBoxes(QWidget* parent) : FParent(parent) {}

    void ShowLoginFailure(const std::string& message) override {
        Show(QMessageBox::NoIcon, message);
    }

    void ShowErrorReport(const std::string& message) override {
        Show(QMessageBox::Critical, ErrorReportText(message));
    }

private:
    void Show(QMessageBox::Icon icon, const std::string& text) {
        const QString title = QString::fromStdString(
            ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()));
        QMessageBox box(icon, title, QString::fromStdString(text), QMessageBox::Ok, FParent);
        box.exec();
    }

    QWidget* FParent;
};

} // namespace

std::unique_ptr<TMessageBoxes> MakeQtMessageBoxes(QWidget* parent) {
    return std::make_unique<TQtMessageBoxes>(parent);
}
