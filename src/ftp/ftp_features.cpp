#include "ftp/ftp_features.h"

#include "core/text.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view FirstWord(std::string_view feature) {
    size_t end = 0;
    while (end < feature.size() && !IsBlank(feature[end]))
        ++end;
    return feature.substr(0, end);
}

} // namespace

std::vector<std::string> ParseFeatureLines(const std::vector<std::string>& replyLines) {
    std::vector<std::string> features;
    // The first line opens the list and the last closes it; neither is a
    // feature, whatever it says.
    for (size_t i = 1; i + 1 < replyLines.size(); ++i) {
        const std::string& line = replyLines[i];
        if (line.empty() || !IsBlank(line[0]))
            continue;
        std::string feature = Trim(line);
        if (!feature.empty())
            features.push_back(std::move(feature));
    }
    return features;
}

bool ListsFeature(const std::vector<std::string>& features, std::string_view name) {
    for (const std::string& feature : features)
        if (UpperCase(FirstWord(feature)) == UpperCase(name))
            return true;
    return false;
}
