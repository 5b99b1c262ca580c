#include "app/message_boxes.h"

#include "app/app_texts.h"
#include "app/error_report.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

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

    TConflictChoice AskConflict(const std::string& remotePath,
                                const std::string& localPath) override {
        QMessageBox box(QMessageBox::Warning, Title(),
                        QString::fromStdString(AppText::ConflictQuestion(remotePath, localPath)),
                        QMessageBox::NoButton, FParent);
        QPushButton* overwrite = box.addButton(AppText::ConflictOverwrite, QMessageBox::AcceptRole);
        QPushButton* keepBoth = box.addButton(AppText::ConflictKeepBoth, QMessageBox::ActionRole);
        QPushButton* cancel = box.addButton(AppText::ConflictCancel, QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == overwrite)
            return TConflictChoice::Overwrite;
        if (box.clickedButton() == keepBoth)
            return TConflictChoice::KeepBoth;
        return TConflictChoice::Cancel;
    }

    bool AskCloseAnyway(int files) override {
        QMessageBox box(QMessageBox::Question, Title(),
                        QString::fromStdString(AppText::CloseAnyway(files)),
                        QMessageBox::Yes | QMessageBox::No, FParent);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    TUnsyncedChoice AskUploadUnsynced(const std::string& remotePath,
                                      const std::string& localPath) override {
        QMessageBox box(QMessageBox::Question, Title(),
                        QString::fromStdString(AppText::UnsyncedQuestion(remotePath, localPath)),
                        QMessageBox::NoButton, FParent);
        QPushButton* upload = box.addButton(AppText::UnsyncedUpload, QMessageBox::AcceptRole);
        QPushButton* leave = box.addButton(AppText::UnsyncedLeave, QMessageBox::RejectRole);
        QPushButton* forget = box.addButton(AppText::UnsyncedForget, QMessageBox::DestructiveRole);
        box.setDefaultButton(leave);
        box.setEscapeButton(leave);
        box.exec();
        if (box.clickedButton() == upload)
            return TUnsyncedChoice::Upload;
        if (box.clickedButton() == forget)
            return TUnsyncedChoice::Forget;
        return TUnsyncedChoice::Leave;
    }

private:
    static QString Title() {
        return QString::fromStdString(
            ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()));
    }

    void Show(QMessageBox::Icon icon, const std::string& text) {
        QMessageBox box(icon, Title(), QString::fromStdString(text), QMessageBox::Ok, FParent);
        box.exec();
    }

    QWidget* FParent;
};

} // namespace

std::unique_ptr<TMessageBoxes> MakeQtMessageBoxes(QWidget* parent) {
    return std::make_unique<TQtMessageBoxes>(parent);
}
