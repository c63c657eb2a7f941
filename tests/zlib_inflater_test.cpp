#include "app/database/zlib_inflater.h"
#include "platform/error.h"
#include "tests/support/bytes.h"
#include "tests/support/zlib_streams.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;
using testsupport::DeflatedZeros;
using testsupport::Flipped;

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    std::mt19937 random(5);
    for (std::size_t i = 0; i < size; ++i) {
        // Compressible but not trivially so.
        bytes[i] = static_cast<std::byte>(i % 7 == 0 ? random() & 0xFF : i / 64 & 0xFF);
    }
    return bytes;
}

Bytes Deflate(const Bytes& plain, int level = 1) {
    uLongf size = compressBound(plain.size());
    Bytes out(size);
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(plain.data()), plain.size(), level),
              Z_OK);
    out.resize(size);
    return out;
}

void ExpectStreamReadError(const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::OsError& error) {
        EXPECT_EQ(std::string(error.what()), "Stream read error");
    }
}

TEST(ZlibInflaterTest, InflatesAfterWhatTheCallerAlreadyHolds) {
    const Bytes plain = Pattern(3'000'000);
    const Bytes stream = Deflate(plain);
    ZlibInflater inflater(stream, plain.size());
    Bytes out = {std::byte{'h'}, std::byte{'d'}};

    inflater.InflateAll(out);

    EXPECT_TRUE(inflater.Finished());
    ASSERT_EQ(out.size(), plain.size() + 2);
    EXPECT_EQ(out[0], std::byte{'h'});
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin() + 2));
}

TEST(ZlibInflaterTest, InflatesOnlyAsFarAsAsked) {
    const Bytes plain = Pattern(2'000'000);
    Bytes stream = Deflate(plain);
    // The stream's second half is damage: asking for the start never meets it.
    for (std::size_t i = stream.size() / 2; i < stream.size(); ++i) {
        stream[i] = std::byte{0xFF};
    }
    ZlibInflater inflater(stream, plain.size());
    Bytes out;

    for (const std::size_t wanted : {std::size_t{10}, std::size_t{10}, std::size_t{70'000}}) {
        inflater.InflateUntil(out, wanted);
        ASSERT_EQ(out.size(), wanted);
    }
    EXPECT_FALSE(inflater.Finished());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
    ExpectStreamReadError([&] { inflater.InflateAll(out); });
    ExpectStreamReadError([&] { inflater.InflateUntil(out, out.size() + 1); });
}

TEST(ZlibInflaterTest, DamagedStreamsFailWithAStreamReadError) {
    const Bytes plain = Pattern(200'000);
    const Bytes stream = Deflate(plain);
    struct Case {
        std::string name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"one byte", {stream[0]}},
        {"header only", {stream[0], stream[1]}},
        {"cut in the middle", Bytes(stream.begin(), stream.begin() + stream.size() / 2)},
        {"cut before its checksum", Bytes(stream.begin(), stream.end() - 4)},
        {"cut one byte short", Bytes(stream.begin(), stream.end() - 1)},
        {"not zlib", Pattern(5000)},
        {"raw deflate without the zlib header", Bytes(stream.begin() + 2, stream.end())},
    };
    cases.push_back({"wrong checksum", Flipped(stream, stream.size() - 1)});
    cases.push_back({"a byte changed", Flipped(stream, stream.size() / 3)});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZlibInflater inflater(c.bytes, 1 << 30);
        Bytes out;
        ExpectStreamReadError([&] { inflater.InflateAll(out); });
        EXPECT_FALSE(inflater.Finished());
    }
}

TEST(ZlibInflaterTest, StopsAtTheLimit) {
    const Bytes plain = Pattern(100'000);
    const Bytes stream = Deflate(plain);
    {
        ZlibInflater exact(stream, plain.size());
        Bytes out;
        exact.InflateAll(out);
        EXPECT_EQ(out, plain);
    }
    ZlibInflater tooSmall(stream, plain.size() - 1);
    Bytes out;
    ExpectStreamReadError([&] { tooSmall.InflateAll(out); });
    EXPECT_LE(out.size(), plain.size());
}

TEST(ZlibInflaterTest, StreamInflatingWithoutEndNeverGrowsPastTheLimit) {
    const Bytes bomb = DeflatedZeros(64); // 64 MiB of zeros in less than 100 KiB
    ASSERT_LT(bomb.size(), 100u << 10);
    const std::size_t limit = 4u << 20;
    ZlibInflater inflater(bomb, limit);
    Bytes out;

    ExpectStreamReadError([&] { inflater.InflateAll(out); });

    EXPECT_LE(out.size(), limit + 1);
    EXPECT_LE(out.capacity(), 2 * limit + 2);
}

TEST(ZlibInflaterTest, BytesAfterTheStreamsEndAreLeftAlone) {
    const Bytes plain = Pattern(10'000);
    Bytes stream = Deflate(plain);
    stream.insert(stream.end(), 100, std::byte{0xEE});
    ZlibInflater inflater(stream, plain.size());
    Bytes out;
    inflater.InflateAll(out);
    EXPECT_TRUE(inflater.Finished());
    EXPECT_EQ(out, plain);
}

} // namespace
