// What the iterated hashes share: input gathered into whole blocks for the
// compression function, the closing pad, the exact root bits from which the
// SHA constants come and the SHA-2 compression. Private to the hash files;
// their byte orders come from byteorder.h.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "package/crypto/byteorder.h"

namespace iterated_hash {

// The input not yet compressed and the message length. Plain data, so that
// SecureZero can wipe it with the rest of a hash's state.
template <std::size_t BlockBytes>
struct Blocks {
  std::uint8_t block[BlockBytes];
  std::size_t used;
  std::uint64_t length;  // bytes fed, modulo 2^64

  void Reset() {
    used = 0;
    length = 0;
  }

  // Hands each whole block to hash.Compress(const std::uint8_t* block).
  template <class Hash>
  void Feed(const void* buffer, std::size_t size, Hash& hash) {
    if (size == 0) return;
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    length += size;
    if (used > 0) {
      const std::size_t take = std::min(size, BlockBytes - used);
      std::memcpy(block + used, data, take);
      used += take;
      data += take;
      size -= take;
      if (used < BlockBytes) return;
      hash.Compress(block);
      used = 0;
    }
    for (; size >= BlockBytes; data += BlockBytes, size -= BlockBytes) hash.Compress(data);
    std::memcpy(block, data, size);
    used = size;
  }

  // Ends the message: the marker byte, zero bytes, and the tail in the last
  // bytes of the final block (one more block when the tail does not fit).
  template <class Hash>
  void Pad(std::uint8_t marker, const std::uint8_t* tail, std::size_t tailSize, Hash& hash) {
    block[used++] = marker;
    if (used > BlockBytes - tailSize) {
      std::memset(block + used, 0, BlockBytes - used);
      hash.Compress(block);
      used = 0;
    }
    std::memset(block + used, 0, BlockBytes - tailSize - used);
    std::memcpy(block + BlockBytes - tailSize, tail, tailSize);
    hash.Compress(block);
  }
};

// The end of a SHA message: the pad with the bit length big-endian, then the
// state words big-endian as the digest. State holds input and h.
template <class State>
void ShaFinal(State& s, std::uint8_t* digest) {
  std::uint8_t bits[8];
  bigendian::Store<std::uint64_t>(s.input.length << 3, bits);
  s.input.Pad(0x80, bits, sizeof bits, s);
  for (std::size_t i = 0; i < s.h.size(); ++i) bigendian::Store(s.h[i], digest + 4 * i);
}

// The first count primes.
inline std::vector<unsigned> FirstPrimes(std::size_t count) {
  std::vector<unsigned> primes;
  for (unsigned n = 2; primes.size() < count; ++n) {
    if (std::none_of(primes.begin(), primes.end(), [n](unsigned p) { return n % p == 0; })) {
      primes.push_back(n);
    }
  }
  return primes;
}

// Unsigned integers of 256 bits, least significant 32-bit limb first; wide
// enough for the cube of a 70-bit root.
using Wide = std::array<std::uint32_t, 8>;

inline Wide WideMul(const Wide& a, const Wide& b) {
  Wide r{};
  for (std::size_t i = 0; i < r.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; i + j < r.size(); ++j) {
      carry += r[i + j] + std::uint64_t{a[i]} * b[j];
      r[i + j] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
  }
  return r;
}

inline bool WideLessEqual(const Wide& a, const Wide& b) {
  return !std::lexicographical_compare(b.rbegin(), b.rend(), a.rbegin(), a.rend());
}

// The low 64 bits of floor(n^(1/k) * 2^bits) for k of 2 or 3, exactly: the
// largest x with x^k <= n * 2^(k*bits), found bit by bit. Needs
// n^(1/k) < 16 and k*bits + 8 < 256.
inline std::uint64_t RootBits(unsigned n, int k, int bits) {
  Wide target{};
  const int shift = k * bits;
  const std::uint64_t spread = std::uint64_t{n} << (shift % 32);
  target[shift / 32] = static_cast<std::uint32_t>(spread);
  target[shift / 32 + 1] = static_cast<std::uint32_t>(spread >> 32);
  Wide x{};
  for (int bit = bits + 3; bit >= 0; --bit) {
    Wide candidate = x;
    candidate[bit / 32] |= std::uint32_t{1} << (bit % 32);
    Wide power = candidate;
    for (int i = 1; i < k; ++i) power = WideMul(power, candidate);
    if (WideLessEqual(power, target)) x = candidate;
  }
  return (std::uint64_t{x[1]} << 32) | x[0];
}

// The SHA-2 compression for 32-bit words (SHA-256) or 64-bit words (SHA-512);
// R holds the rotation and shift counts of the standard's four functions.
template <class Word, std::size_t Rounds, class R>
void Sha2Compress(std::array<Word, 8>& state, const std::uint8_t* block,
                  const std::array<Word, Rounds>& k) {
  std::array<Word, Rounds> w;
  for (std::size_t t = 0; t < 16; ++t) w[t] = bigendian::Load<Word>(block + t * sizeof(Word));
  for (std::size_t t = 16; t < Rounds; ++t) {
    const Word s0 =
        std::rotr(w[t - 15], R::s0a) ^ std::rotr(w[t - 15], R::s0b) ^ (w[t - 15] >> R::s0shift);
    const Word s1 =
        std::rotr(w[t - 2], R::s1a) ^ std::rotr(w[t - 2], R::s1b) ^ (w[t - 2] >> R::s1shift);
    w[t] = s1 + w[t - 7] + s0 + w[t - 16];
  }
  Word a = state[0], b = state[1], c = state[2], d = state[3];
  Word e = state[4], f = state[5], g = state[6], h = state[7];
  for (std::size_t t = 0; t < Rounds; ++t) {
    const Word sum1 = std::rotr(e, R::S1a) ^ std::rotr(e, R::S1b) ^ std::rotr(e, R::S1c);
    const Word t1 = h + sum1 + ((e & f) ^ (~e & g)) + k[t] + w[t];
    const Word sum0 = std::rotr(a, R::S0a) ^ std::rotr(a, R::S0b) ^ std::rotr(a, R::S0c);
    const Word t2 = sum0 + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  const Word v[8] = {a, b, c, d, e, f, g, h};
  for (std::size_t i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace iterated_hash
