// Paths on the server, always with "/" and without a trailing "/" except the
// root itself.
#pragma once

#include <string>

// `Name` under `Dir`: "/" and the name under the root, else Dir + "/" + Name.
std::string JoinRemotePath(const std::string& Dir, const std::string& Name);
// `Dir` cut before its last "/"; an empty result is the root "/".
std::string GoUpPath(const std::string& Dir);
