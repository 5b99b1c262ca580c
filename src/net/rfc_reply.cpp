#include "net/rfc_reply.h"

#include "core/text.h"

void TIdRFCReply::SetNumericCode(int32_t code) {
    FNumericCode = code;
    if (code > 0)
        FTextCode = std::to_string(code);
}

void TIdRFCReply::SetTextCode(const std::string& code) {
    FTextCode = code;
    if (!code.empty())
        FNumericCode = StrToIntDef(code, 0);
}

void TIdRFCReply::Clear() {
    FNumericCode = 0;
    FText.clear();
    FTextCode.clear();
}

void TIdRFCReply::Assign(const TIdRFCReply& source) {
    if (&source == this)
        return;
    Clear();
    FNumericCode = source.FNumericCode;
    FText = source.FText;
    SetTextCode(source.FTextCode);
}

void TIdRFCReply::ParseReply(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty())
        return;
    std::string code = Trim(std::string_view(lines.front()).substr(0, 4));
    if (code.size() == 4 && code[3] == '-')
        code.pop_back();
    SetTextCode(code);
    FText.reserve(lines.size());
    for (const std::string& line : lines)
        FText.push_back(line.size() > 4 ? line.substr(4) : std::string());
}
