#include "imaging/TempNames.h"
#include "imaging/FileRemoval.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>

namespace zv {
namespace {

TEST(TempNames, PrefixIsEightUpperCaseHexDigitsDrawnOnce) {
    TempNames names("/tmp/zv-run", 0x1A2B);
    names.DrawPrefix(12345u);
    const std::string prefix = names.TempPrefix();
    ASSERT_TRUE(std::regex_match(prefix, std::regex("[0-9A-F]{8}"))) << prefix;
    EXPECT_LT(std::stoul(prefix, nullptr, 16), 268435455u);
    names.DrawPrefix(999u);
    EXPECT_EQ(names.TempPrefix(), prefix);

    TempNames undrawn("/tmp", 1);
    EXPECT_EQ(undrawn.TempPrefix().size(), 8u); // drawn on first use
}

TEST(TempNames, FileNamesAndWorkStemsPadTheHandleButNeverCutIt) {
    TempNames names("/tmp/zv-run/", 0x1A2B);
    names.DrawPrefix(1u);
    const std::string prefix = names.TempPrefix();
    EXPECT_EQ(names.TempFileName("zvexport.bmp").string(),
              "/tmp/zv-run/" + prefix + "00001A2Bzvexport.bmp");
    EXPECT_EQ(names.WorkFileStem(), "_" + prefix + "1A2B");

    TempNames small("/tmp", 0xAB);
    small.DrawPrefix(1u);
    EXPECT_EQ(small.WorkFileStem(), "_" + prefix + "00AB");
    TempNames large("/tmp", 0x12345);
    large.DrawPrefix(1u);
    EXPECT_EQ(large.WorkFileStem(), "_" + prefix + "12345");
    EXPECT_EQ(large.TempFileName("zv_undo.pcx").filename().string(),
              prefix + "00012345zv_undo.pcx");
}

TEST(TempNames, ANameCannotLeaveTheTemporaryFolder) {
    TempNames names("/tmp/zv-run", 1);
    EXPECT_THROW(names.TempFileName("../../home/x"), std::invalid_argument);
    EXPECT_THROW(names.TempFileName("/etc/passwd"), std::invalid_argument);
    EXPECT_THROW(names.TempFileName(std::string("a\0b", 3)), std::invalid_argument);
}

class FakeTrash : public Trash {
public:
    std::string Delete(const std::string& path) override { return Answer("delete " + path); }
    std::string Recycle(const std::string& path) override { return Answer("recycle " + path); }
    std::string Answer(const std::string& call) {
        last = call;
        if (throws) throw std::runtime_error("trash folder unwritable");
        return error;
    }
    std::string error;
    bool throws = false;
    std::string last;
};

TEST(FileRemoval, BothReturnTrueOnlyWhenTheOperationFailed) {
    FakeTrash trash;
    EXPECT_FALSE(DeleteFileSilently(trash, "/tmp/a.bmp"));
    EXPECT_EQ(trash.last, "delete /tmp/a.bmp");
    EXPECT_FALSE(RecycleFileSilently(trash, "/tmp/b.bmp"));
    EXPECT_EQ(trash.last, "recycle /tmp/b.bmp");

    trash.error = "No such file";
    EXPECT_TRUE(DeleteFileSilently(trash, "/tmp/a.bmp"));
    EXPECT_TRUE(RecycleFileSilently(trash, "/tmp/a.bmp"));
    trash.error.clear();
    trash.throws = true;
    EXPECT_TRUE(DeleteFileSilently(trash, "/tmp/a.bmp"));
    EXPECT_TRUE(RecycleFileSilently(trash, "/tmp/a.bmp"));
}

} // namespace
} // namespace zv
