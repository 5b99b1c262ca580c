#include "app/error_report.h"

#include <cctype>

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

std::string ApplicationTitle(const std::string& executablePath) {
    const size_t slash = executablePath.rfind('/');
    std::string title =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    const size_t dot = title.find('.');
    if (dot != std::string::npos)
        title.erase(dot);
    for (size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
    return title;
}
