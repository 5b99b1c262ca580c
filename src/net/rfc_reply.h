// One numeric server reply: its code and its text lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TIdRFCReply {
public:
    int32_t NumericCode() const { return FNumericCode; }
    // A value above 0 also sets TextCode to its decimal text.
    void SetNumericCode(int32_t code);
    const std::string& TextCode() const { return FTextCode; }
    // A non-empty text also sets NumericCode (0 when it is not an integer).
    void SetTextCode(const std::string& code);
    const std::vector<std::string>& Text() const { return FText; }
    void SetText(const std::vector<std::string>& lines) { FText = lines; }

    void Clear();
    void Assign(const TIdRFCReply& source);
    // Fills the reply from the raw lines of one reply.
    void ParseReply(const std::vector<std::string>& lines);

private:
    int32_t FNumericCode = 0;
    std::string FTextCode;
    std::vector<std::string> FText;
};
