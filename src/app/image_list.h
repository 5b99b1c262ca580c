// The list view's small images: image 0 is the folder picture for the life of
// the window; from index 1 on, the file-type icons of the current listing, one
// per row that got one, in row order.
#pragma once

#include <QIcon>

#include <vector>

class TImageList {
public:
    explicit TImageList(QIcon folder) { FImages.push_back(std::move(folder)); }

    // Appends an image and returns its index.
    int Add(QIcon icon) {
        FImages.push_back(std::move(icon));
        return static_cast<int>(FImages.size()) - 1;
    }
    // Drops every image except image 0.
    void ResetToFolder() { FImages.resize(1); }
    int Count() const { return static_cast<int>(FImages.size()); }
    const QIcon& Image(int index) const { return FImages.at(static_cast<size_t>(index)); }

    static constexpr int Width = 16;
    static constexpr int Height = 16;

private:
    std::vector<QIcon> FImages;
};
