// The snapshot's own containers, on their own: blocks of cells and the byte arena.
#include "platform/db/snapshot.h"
#include <gtest/gtest.h>
#include <string>

using db::detail::Arena;
using db::detail::Chunked;

TEST(DbSnapshotContainers, ChunkedRowsGoInOnePieceOrOneByOneAndReadBackAcrossBlocks)
{
    // Blocks of 64 after a first block of 16, 32, 64: rows of 7 as the snapshot appends them.
    Chunked<uint32_t, 6> c;
    constexpr size_t kRow = 7, kRows = 100;
    size_t pieces = 0;
    for (size_t r = 0; r < kRows; ++r) {
        if (uint32_t* p = c.extend(kRow)) {
            ++pieces;
            for (size_t k = 0; k < kRow; ++k) p[k] = uint32_t(r * kRow + k);
        } else {
            for (size_t k = 0; k < kRow; ++k) c.push_back(uint32_t(r * kRow + k));
        }
    }
    ASSERT_EQ(c.size(), kRow * kRows);
    EXPECT_GT(pieces, kRows / 2);
    EXPECT_LT(pieces, kRows);   // rows that would cross a block went one by one
    for (size_t i = 0; i < c.size(); ++i) ASSERT_EQ(c[i], i) << i;
    EXPECT_EQ(c.bytes(), 64 * 11 * sizeof(uint32_t));   // 700 cells in whole blocks

    // A span is one piece or nothing.
    EXPECT_EQ(c.span(57, 7), &c[57]);
    EXPECT_EQ(c.span(60, 7), nullptr);
    EXPECT_EQ(c.extend(65), nullptr);   // more than a block

    // Cleared, the first block stays and is filled anew.
    c.clear();
    EXPECT_EQ(c.size(), 0u);
    EXPECT_EQ(c.bytes(), 64 * sizeof(uint32_t));
    for (uint32_t i = 0; i < 200; ++i) c.push_back(i * 3);
    for (uint32_t i = 0; i < 200; ++i) ASSERT_EQ(c[i], i * 3);

    Chunked<uint8_t> small;   // one row costs a small first block
    small.push_back(1);
    EXPECT_EQ(small.bytes(), 16u);
}

TEST(DbSnapshotContainers, ArenaKeepsEveryValueAtItsReferenceWhateverItsSize)
{
    Arena a;
    std::vector<std::pair<uint64_t, std::string>> kept;
    const auto put = [&](const std::string& v) { kept.emplace_back(a.put(v.data(), uint32_t(v.size())), v); };
    put("");
    for (int i = 0; i < 3000; ++i) put("值" + std::to_string(i) + std::string(size_t(i % 50), 'x'));
    put(std::string(3 << 20, 'L'));   // larger than any shared block: a block of its own
    put("after");
    put(std::string(600, 'm'));
    for (const auto& [ref, v] : kept) {
        uint32_t n = 0;
        const char* p = a.get(ref, &n);
        ASSERT_EQ(std::string(p, n), v);
    }
    const size_t grown = a.bytes();
    EXPECT_GT(grown, size_t(3 << 20));

    // Cleared, it keeps its first block only, and serves new values.
    a.clear();
    EXPECT_LT(a.bytes(), size_t(4096));
    const uint64_t r = a.put("新", 3);
    uint32_t n = 0;
    const char* p = a.get(r, &n);
    EXPECT_EQ(std::string(p, n), "新");
}
