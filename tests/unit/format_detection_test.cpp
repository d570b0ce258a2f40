#include <gtest/gtest.h>

#include "TestSupport.h"
#include "image/RasterImage.h"

namespace {

const unsigned char* bytes(const char* text) {
    return reinterpret_cast<const unsigned char*>(text);
}

// Loads a file made of the given bytes and returns the messages shown.
std::vector<test::ShownMessage> loadBytes(const std::vector<unsigned char>& content, int* result,
                                          RasterImage* image = nullptr) {
    test::RecordingSink sink;
    test::TempFile file(".img", content);
    test::OpenFile in(file.path());
    RasterImage local;
    RasterImage& target = image ? *image : local;
    std::fgetc(in.get());  // the caller has already read a byte or two
    *result = target.load(in.get(), "C:\\pictures\\x.dat");
    return sink.shown;
}

}  // namespace

TEST(MatchSignature, WildcardMatchesAnyByteAndOthersMustBeEqual) {
    EXPECT_TRUE(matchSignature("GIF8????????", bytes("GIF89a......")));
    EXPECT_TRUE(matchSignature("GIF8????????", bytes("GIF87a\0\0\0\0\0\0")));
    EXPECT_FALSE(matchSignature("GIF8????????", bytes("GIF7........")));
    EXPECT_FALSE(matchSignature("P6??????????", bytes("P5 640 480 2")));
    const unsigned char png[12] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
    EXPECT_TRUE(matchSignature("\x89PNG\r\n\x1A\n????", png));
    unsigned char brokenPng[12];
    std::copy(png, png + 12, brokenPng);
    brokenPng[7] = 0x0D;
    EXPECT_FALSE(matchSignature("\x89PNG\r\n\x1A\n????", brokenPng));
}

TEST(MatchSignature, AllTwelvePositionsAreCompared) {
    EXPECT_FALSE(matchSignature("???????????X", bytes("????????????")));
    EXPECT_TRUE(matchSignature("???????????X", bytes("abcdefghijkX")));
}

TEST(IsQrtFile, LengthMustMatchTheRowRecords) {
    // 2 x 3 picture: 4 + 3 * (3 * 2 + 2) = 28 bytes.
    std::vector<unsigned char> qrt = {2, 0, 3, 0};
    qrt.resize(28, 0);
    test::TempFile exact(".qrt", qrt);
    test::OpenFile in(exact.path());
    EXPECT_TRUE(isQrtFile(in.get()));
    EXPECT_EQ(std::ftell(in.get()), 0);

    qrt.push_back(0);
    test::TempFile longer(".qrt", qrt);
    test::OpenFile in2(longer.path());
    EXPECT_FALSE(isQrtFile(in2.get()));
}

TEST(IsQrtFile, ShortHeadersReadMissingBytesAsFF) {
    // Two bytes 00 00: width 0, height -1, so the expected length is 2.
    test::TempFile two(".qrt", {0, 0});
    test::OpenFile in(two.path());
    EXPECT_TRUE(isQrtFile(in.get()));

    // Four bytes with height 0: an empty picture.
    test::TempFile four(".qrt", {7, 0, 0, 0});
    test::OpenFile in4(four.path());
    EXPECT_TRUE(isQrtFile(in4.get()));

    test::TempFile empty(".qrt", {});
    test::OpenFile in0(empty.path());
    // Width and height -1: -1 * (-3 + 2) + 4 = 5, not 0.
    EXPECT_FALSE(isQrtFile(in0.get()));
}

TEST(Load, UnknownFormatShowsOneMessageWithThePath) {
    int result = -1;
    auto shown = loadBytes(test::bytesOf("P5 2 2 255\n...."), &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unsupported file format for file \"C:\\pictures\\x.dat\".");
    EXPECT_EQ(shown[0].caption, "Vellumere Error");
    EXPECT_EQ(shown[0].style, platform::kMbIconWarning);
}

TEST(Load, BinaryAndTextPixmapsGoToTheirReaders) {
    int result = -1;
    RasterImage binary;
    auto shown = loadBytes(test::bytesOf("P6\n1 1\n255\n\xFF\x10\x20"), &result, &binary);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(binary.bitDepth, 24);
    EXPECT_EQ(binary.planes[2][0], 0xFF);
    EXPECT_EQ(binary.planes[0][0], 0x20);

    RasterImage text;
    shown = loadBytes(test::bytesOf("P3\n1 1\n255\n1 2 3\n"), &result, &text);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text.planes[2][0], 1);
    EXPECT_EQ(text.planes[0][0], 3);
}

TEST(Load, FirstMatchingPatternDecidesEvenForText) {
    // A text file beginning with a line feed belongs to the PCX reader, which
    // reports on it (or not) itself: never the unsupported-format message.
    int result = -1;
    auto shown = loadBytes(test::bytesOf("\nhello, this is text"), &result);
    for (const auto& message : shown) {
        EXPECT_EQ(message.text.find("Unsupported file format"), std::string::npos);
    }
}

TEST(Load, ShortFilesCompareAgainstZeroes) {
    int result = -1;
    auto shown = loadBytes(test::bytesOf("P"), &result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("Unsupported file format"), std::string::npos);
}
