// Hex text comes from scripts as entry identifiers. HexToBytes must stay inside an
// output buffer sized for the text, and any bytes must survive BytesToHex and back.
#include "HexCore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using mapistandin::BytesToHex;
using mapistandin::HexToBytes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input as hex text: a zero-terminated copy, converted into a buffer of exactly
  // the size the text's whole pairs need (the copy stops at an embedded zero, as a
  // caller's string would).
  const auto text = std::make_unique<char[]>(size + 1);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const std::size_t length = std::strlen(text.get());
  const auto bytes = std::make_unique<std::uint8_t[]>(length / 2);
  const bool ok = HexToBytes(text.get(), bytes.get());
  if (ok && length % 2 != 0) std::abort();  // odd lengths never convert

  // When the text converted, printing it again gives the same text up to case.
  if (ok) {
    const auto again = std::make_unique<char[]>(length + 1);
    BytesToHex(bytes.get(), length / 2, again.get());
    for (std::size_t i = 0; i < length; ++i) {
      const char c = text[i] >= 'a' && text[i] <= 'f' ? static_cast<char>(text[i] - 32) : text[i];
      if (again[i] != c) std::abort();
    }
  }

  // The input as raw bytes: hex text of 2 * size digits that converts back exactly.
  const auto hex = std::make_unique<char[]>(2 * size + 1);
  BytesToHex(data, size, hex.get());
  if (std::strlen(hex.get()) != 2 * size) std::abort();
  const auto back = std::make_unique<std::uint8_t[]>(size);
  if (!HexToBytes(hex.get(), back.get())) std::abort();
  if (size != 0 && std::memcmp(back.get(), data, size) != 0) std::abort();
  return 0;
}
