// The save dialog's filters agree with the picture types: each filter's default extension is the one
// the filter shows, and names with it are written as a known type.
#include "common/picturetype.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PictureSaveFilters, EachFilterGivesTheExtensionItShows)
{
    const common::PictureSaveFilters filters = common::pictureSaveFilters();
    std::vector<std::string> shown;
    for (std::size_t from = 0;;) {
        const std::size_t to = filters.filter.find(";;", from);
        shown.push_back(filters.filter.substr(from, to == std::string::npos ? to : to - from));
        if (to == std::string::npos) break;
        from = to + 2;
    }
    ASSERT_EQ(shown.size(), filters.extensions.size());
    ASSERT_EQ(shown.size(), common::pictureTypes().size() + 1);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::string &extension = filters.extensions[i];
        if (extension.empty()) {
            EXPECT_EQ(shown[i], "All files (*)");
            continue;
        }
        EXPECT_TRUE(shown[i].ends_with(" (*." + extension + ")")) << shown[i];
        EXPECT_TRUE(common::pictureTypeOf("chart." + extension)) << extension;
    }
}
