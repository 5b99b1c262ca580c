// The question about an unverified certificate as a modal Qt dialog:
// "Trust once", "Always trust" and "Cancel" (Escape).
#pragma once

#include "app/certificate_trust.h"

#include <memory>

class QWidget;

std::unique_ptr<TCertificateQuestion> MakeQtCertificateQuestion(QWidget* parent);
