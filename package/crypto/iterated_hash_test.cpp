// The block gathering and the closing pad that the iterated hashes share, with
// a recorder in place of the compression function.
#include <gtest/gtest.h>

#include <string>

#include "package/crypto/iterated_hash.h"

namespace {

struct Recorder {
  std::string compressed;
  std::size_t blockBytes;
  void Compress(const std::uint8_t* block) { compressed.append(block, block + blockBytes); }
};

// Every message length up to two blocks and a half, fed in two pieces: the
// compressed bytes are the message, the marker, the fewest zero bytes that
// make the total whole blocks with the tail at the end, and the tail.
template <std::size_t BlockBytes>
void ExpectPaddedToWholeBlocks(std::size_t tailSize) {
  const std::string tail(tailSize, 'T');
  for (std::size_t size = 0; size < 5 * BlockBytes / 2; ++size) {
    SCOPED_TRACE(testing::Message() << "block " << BlockBytes << ", message " << size);
    std::string message(size, '\0');
    for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<char>('a' + i % 26);
    iterated_hash::Blocks<BlockBytes> input;
    input.Reset();
    Recorder recorder{{}, BlockBytes};
    input.Feed(message.data(), size / 3, recorder);
    input.Feed(message.data() + size / 3, size - size / 3, recorder);
    EXPECT_EQ(input.length, size);
    input.Pad(0x80, reinterpret_cast<const std::uint8_t*>(tail.data()), tail.size(), recorder);
    std::string expected = message + '\x80';
    expected.append((BlockBytes - (expected.size() + tailSize) % BlockBytes) % BlockBytes, '\0');
    expected += tail;
    EXPECT_EQ(recorder.compressed, expected);
  }
}

TEST(IteratedHashBlocks, PadEndsOnTheFewestWholeBlocks) {
  ExpectPaddedToWholeBlocks<16>(4);
  ExpectPaddedToWholeBlocks<64>(8);    // MD5, SHA-1, SHA-256
  ExpectPaddedToWholeBlocks<128>(16);  // SHA-512
  ExpectPaddedToWholeBlocks<128>(10);  // HAVAL
}

}  // namespace
