// The pieces of the default error report and of the message dialogs that are
// plain text rules.
#pragma once

#include <string>

// The message as the default error report shows it: a full stop is added when
// the last character sorts after "." (a letter or a digit, say), so a message
// that already ends in "." or ")" is left alone.
std::string ErrorReportText(const std::string& message);

// The caption of message dialogs: the executable's file name without its
// folder, cut before its first ".", every letter after the first lower-cased.
std::string ApplicationTitle(const std::string& executablePath);
