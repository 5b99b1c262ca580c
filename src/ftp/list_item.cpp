#include "ftp/list_item.h"

// The entry holds values only, so the member-wise copy is the whole job; keeping
// it behind a named operation lets the entry grow without touching callers.
void TIdFTPListItem::CopyEntry(const TIdFTPListItem& ASource) {
    if (this != &ASource)
        *this = ASource;
}
