// The desktop's own answer to "which application opens this type?", from
// xdg-mime (xdg-utils), which knows each desktop's way of recording it.
#pragma once

#include <chrono>
#include <string>

// The desktop file id that `xdg-mime query default <mimeType>` prints
// ("org.gnome.gedit.desktop"); empty when xdg-mime is missing, fails, prints
// nothing or takes longer than `within` (it is stopped then).
std::string QueryDefaultApplication(const std::string& mimeType,
                                    std::chrono::milliseconds within = std::chrono::seconds(5));
