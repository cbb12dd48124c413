// Local pages open through file: URLs.
#include "shell/FileUrl.h"

#include <gtest/gtest.h>

#include "encoding/Utf8Path.h"

namespace moxel {
namespace {

TEST(FileUrl, EncodesEverythingButPlainCharactersAndSeparators) {
    struct Case {
        const char* path;
        const char* fragment;
        const char* url;
    };
    const Case cases[] = {
#ifdef _WIN32
        {"C:\\Program Files\\Moxel\\manual\\moxel.html", "",
         "file:///C:/Program%20Files/Moxel/manual/moxel.html"},
        {"D:\\\xE3\x83\xA2\xE3\x82\xAF\\x.html", "news",
         "file:///D:/%E3%83%A2%E3%82%AF/x.html#news"},
        {"\\\\server\\share\\m.html", "", "file://server/share/m.html"},
        {"C:\\a#b%c;d\\m.html", "a b", "file:///C:/a%23b%25c%3Bd/m.html#a%20b"},
#else
        {"/opt/moxel/manual/moxel.html", "", "file:///opt/moxel/manual/moxel.html"},
        {"/home/\xE3\x83\xA2\xE3\x82\xAF/x.html", "news",
         "file:///home/%E3%83%A2%E3%82%AF/x.html#news"},
        {"/a#b%c;d:e\\f/m.html", "a b", "file:///a%23b%25c%3Bd%3Ae%5Cf/m.html#a%20b"},
#endif
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileUrl(pathFromUtf8(c.path), c.fragment), c.url);
    }
}

} // namespace
} // namespace moxel
