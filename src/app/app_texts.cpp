#include "app/app_texts.h"

namespace AppText {

std::string ListingCounts(const std::string& path, int files, int folders) {
    return path + " " + std::to_string(files) + " file(s) " + std::to_string(folders) +
           " Folder(s)";
}

} // namespace AppText
