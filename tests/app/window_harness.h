// A main window under test: message boxes that record instead of blocking,
// every status text in the order it was set, and short-hands for what a user
// does and sees.
#pragma once

#include "app/open_file_form.h"
#include "support/recording_boxes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class WindowHarness {
public:
    // `icons` defaults to the real lookup.
    explicit WindowHarness(TFileTypeIconLookup icons = GetFileTypeIcon);

    TFormOpenFile& Form() { return *FForm; }
    BoxLog Boxes;
    std::vector<std::string> Statuses;

    // Types "host:port" into the Server box.
    void SetServer(int port, const std::string& host = "127.0.0.1");
    // Clicks "Connect" (ticking or unticking it).
    void ClickConnect();
    void ClickGoUp();
    // Selects row `name` and double-clicks it; false when no row has that name.
    bool DoubleClickRow(const std::string& name);
    std::vector<std::string> RowNames() const;
    // Texts of the six columns of the row named `name` (empty when absent).
    std::vector<std::string> RowTexts(const std::string& name) const;
    int RowImage(const std::string& name) const;
    std::string Status() const { return FForm->StatusText(); }

private:
    std::unique_ptr<TFormOpenFile> FForm;
};
