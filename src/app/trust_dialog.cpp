#include "app/trust_dialog.h"

#include "app/app_texts.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

class TQtCertificateQuestion : public TCertificateQuestion {
public:
    explicit TQtCertificateQuestion(QWidget* parent) : FParent(parent) {}

    TTrustAnswer AskTrust(const std::string& server, const TIdCertificateInfo& info,
                          bool changed) override {
        QMessageBox box(QMessageBox::Warning, AppText::Caption,
                        QString::fromStdString(AppText::CertificateQuestion(
                            server, info.Problem, info.Sha256, info.Subject, info.Issuer,
                            info.NotBefore, info.NotAfter, changed)),
                        QMessageBox::NoButton, FParent);
        QPushButton* once = box.addButton(AppText::TrustOnce, QMessageBox::AcceptRole);
        QPushButton* always = box.addButton(AppText::AlwaysTrust, QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == once)
            return TTrustAnswer::TrustOnce;
        if (box.clickedButton() == always)
            return TTrustAnswer::AlwaysTrust;
        return TTrustAnswer::Cancel;
    }

private:
    QWidget* FParent;
};

} // namespace

std::unique_ptr<TCertificateQuestion> MakeQtCertificateQuestion(QWidget* parent) {
    return std::make_unique<TQtCertificateQuestion>(parent);
}
