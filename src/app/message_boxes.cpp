#include "app/message_boxes.h"

#include "app/app_texts.h"
#include "app/display_name.h"
#include "app/error_report.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace {

template <typename T> struct TButton {
    const char* Text;
    QMessageBox::ButtonRole Role;
    T Answer;
};

const TButton<TConflictChoice> ConflictButtons[] = {
    {AppText::ConflictOverwrite, QMessageBox::AcceptRole, TConflictChoice::Overwrite},
    {AppText::ConflictKeepBoth, QMessageBox::ActionRole, TConflictChoice::KeepBoth},
    {AppText::ConflictCancel, QMessageBox::RejectRole, TConflictChoice::Cancel}};

const TButton<TUnsyncedChoice> UnsyncedButtons[] = {
    {AppText::UnsyncedUpload, QMessageBox::AcceptRole, TUnsyncedChoice::Upload},
    {AppText::UnsyncedLeave, QMessageBox::RejectRole, TUnsyncedChoice::Leave},
    {AppText::UnsyncedForget, QMessageBox::DestructiveRole, TUnsyncedChoice::Forget}};

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
        return Ask(QMessageBox::Warning, AppText::ConflictQuestion(remotePath, localPath),
                   ConflictButtons, TConflictChoice::Cancel);
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
        return Ask(QMessageBox::Question, AppText::UnsyncedQuestion(remotePath, localPath),
                   UnsyncedButtons, TUnsyncedChoice::Leave);
    }

private:
    static QString Title() {
        return QString::fromStdString(
            ApplicationTitle(QCoreApplication::applicationFilePath().toStdString()));
    }

    // The texts name remote paths and carry server replies: bytes that are
    // not UTF-8 show escaped.
    static QString ShownText(const std::string& text) {
        return QString::fromStdString(TextForDisplay(text));
    }

    // Shows the buttons in order and returns the answer of the one clicked;
    // `fallback`'s button is the default and what Escape or closing the box
    // gives.
    template <typename T, size_t N>
    T Ask(QMessageBox::Icon icon, const std::string& text, const TButton<T> (&buttons)[N],
          T fallback) {
        QMessageBox box(icon, Title(), ShownText(text), QMessageBox::NoButton, FParent);
        std::vector<std::pair<QPushButton*, T>> added;
        for (const TButton<T>& button : buttons) {
            added.emplace_back(box.addButton(button.Text, button.Role), button.Answer);
            if (button.Answer == fallback) {
                box.setDefaultButton(added.back().first);
                box.setEscapeButton(added.back().first);
            }
        }
        box.exec();
        for (const auto& [pressed, answer] : added)
            if (pressed == box.clickedButton())
                return answer;
        return fallback;
    }

    void Show(QMessageBox::Icon icon, const std::string& text) {
        QMessageBox box(icon, Title(), ShownText(text), QMessageBox::Ok, FParent);
        box.exec();
    }

    QWidget* FParent;
};

} // namespace

std::unique_ptr<TMessageBoxes> MakeQtMessageBoxes(QWidget* parent) {
    return std::make_unique<TQtMessageBoxes>(parent);
}
