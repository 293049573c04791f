// TBlowFish and TCrypto: published Blowfish vectors, the key-length rule, the
// chaining modes, continuation, the IV rule and the three inputs.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archiver/Blowunit.h"
#include "rtl/Exceptions.h"
#include "tests/platform/FakeApi.h"

using namespace archiver;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Hex(const std::string& text) {
  TBytes bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

AnsiString Text(const TBytes& b) { return AnsiString(b.begin(), b.end()); }

// Runs the cipher over a byte array; the output has room for the padding.
TBytes Apply(TBlowFish& cipher, const TBytes& input, bool encipher, bool continuation = false) {
  TBytes output(input.size() + 8, 0xCC);
  cipher.SetInputType(SourceByteArray);
  cipher.InputPointer = input.data();
  cipher.OutputPointer = output.data();
  cipher.SetInputLength(static_cast<uint16_t>(input.size()));
  if (encipher)
    cipher.Encipher(continuation);
  else
    cipher.Decipher(continuation);
  output.resize(cipher.InputLength());
  return output;
}

TBytes Ecb(const AnsiString& key, const TBytes& input, bool encipher = true) {
  TBlowFish cipher;
  cipher.SetKey(key);
  return Apply(cipher, input, encipher);
}

TBytes Xor(TBytes a, const TBytes& b) {
  for (size_t i = 0; i < a.size(); ++i) a[i] ^= b[i];
  return a;
}

TBytes Slice(const TBytes& b, size_t from, size_t n) { return TBytes(b.begin() + from, b.begin() + from + n); }

const TBytes kPlain13 = {'T', 'h', 'i', 's', ' ', 'i', 's', ' ', '1', '3', ' ', 'b', '.'};

}  // namespace

// Eric Young's Blowfish test data (the vectors published with the algorithm):
// every one whose key holds no zero byte, since a zero byte ends a key text.
TEST(CipherBlowfish, PublishedVectors) {
  struct {
    const char *key, *plain, *cipher;
  } rows[] = {
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},  // 5
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
      {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
      {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
      {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
      {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},  // 10
      {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
      {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
      {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
      {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
      {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},  // 15
      {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
      {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
      {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
      {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
      {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},  // 20
      {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
      {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
      {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
      {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
      {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},  // 25
      {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
      {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
      {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
      {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const AnsiString key = Text(Hex(rows[i].key));
    EXPECT_EQ(Ecb(key, Hex(rows[i].plain)), Hex(rows[i].cipher)) << "row " << i;
    EXPECT_EQ(Ecb(key, Hex(rows[i].cipher), false), Hex(rows[i].plain)) << "row " << i;
  }
}

// The same test data's variable key lengths, with plain text FEDCBA9876543210;
// lengths 8 to 16 are the ones the key rule takes (longer ones hold a zero byte).
TEST(CipherBlowfish, PublishedVariableKeyLengths) {
  const TBytes key = Hex("F0E1D2C3B4A5968778695A4B3C2D1E0F");
  const char* expected[] = {"E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
                            "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4",
                            "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C"};
  for (size_t n = 8; n <= 16; ++n)
    EXPECT_EQ(Ecb(Text(Slice(key, 0, n)), Hex("FEDCBA9876543210")), Hex(expected[n - 8])) << n << " bytes";
}

TEST(CipherBlowfish, KeysOutsideEightToSixtyFiveRunUnkeyed) {
  const TBytes block = Hex("0123456789ABCDEF");
  const TBytes unkeyed = Ecb("", block);
  EXPECT_EQ(Ecb("1234567", block), unkeyed);                // 7 characters
  EXPECT_EQ(Ecb(AnsiString(66, 'k'), block), unkeyed);      // 66 characters
  EXPECT_NE(Ecb("12345678", block), unkeyed);
  EXPECT_NE(Ecb(AnsiString(65, 'k'), block), unkeyed);
  EXPECT_EQ(Ecb(AnsiString("12345678\0abc", 12), block), Ecb("12345678", block));  // a zero byte ends the key

  TBlowFish cipher;
  cipher.SetKey("short");
  Apply(cipher, block, true);
  EXPECT_EQ(cipher.Key(), "");  // cleared by the key schedule
}

TEST(CipherCrypto, EcbPadsWithZeros) {
  TBlowFish cipher;
  cipher.SetKey("archive key");
  const TBytes out = Apply(cipher, kPlain13, true);
  EXPECT_EQ(cipher.InputLength(), 16);
  TBytes padded = kPlain13;
  padded.resize(16, 0);
  EXPECT_EQ(out, Ecb("archive key", padded));
  EXPECT_EQ(Ecb("archive key", out, false), padded);
}

TEST(CipherCrypto, CbcChainsThroughTheIvRegister) {
  const TBytes plain = Hex("00112233445566778899AABBCCDDEEFF0102030405060708");
  const AnsiString iv = "IV-text!";
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetCipherMode(CBCMode);
  cipher.SetIVector(iv);
  const TBytes out = Apply(cipher, plain, true);
  // C1 = E(P1 ^ IV), Ci = E(Pi ^ Ci-1)
  TBytes expected, previous(iv.begin(), iv.end());
  for (size_t pos = 0; pos < plain.size(); pos += 8) {
    previous = Ecb("archive key", Xor(Slice(plain, pos, 8), previous));
    expected.insert(expected.end(), previous.begin(), previous.end());
  }
  EXPECT_EQ(out, expected);

  // Two calls with continuation make the same chain as one call.
  TBlowFish split;
  split.SetKey("archive key");
  split.SetCipherMode(CBCMode);
  split.SetIVector(iv);
  TBytes joined = Apply(split, Slice(plain, 0, 16), true);
  const TBytes rest = Apply(split, Slice(plain, 16, 8), true, true);
  joined.insert(joined.end(), rest.begin(), rest.end());
  EXPECT_EQ(joined, out);

  TBlowFish decipher;
  decipher.SetKey("archive key");
  decipher.SetCipherMode(CBCMode);
  decipher.SetIVector(iv);
  EXPECT_EQ(Apply(decipher, out, false), plain);
}

TEST(CipherCrypto, CfbKeepsTheLengthAndFeedsBackCipherText) {
  const AnsiString iv = "12345678";
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetCipherMode(CFBMode);
  cipher.SetIVector(iv);
  const TBytes out = Apply(cipher, kPlain13, true);
  ASSERT_EQ(out.size(), 13u);
  // First piece: P ^ E(IV); the 5-byte tail: P ^ E(C1), first 5 bytes.
  const TBytes c1 = Xor(Slice(kPlain13, 0, 8), Ecb("archive key", TBytes(iv.begin(), iv.end())));
  EXPECT_EQ(Slice(out, 0, 8), c1);
  EXPECT_EQ(Slice(out, 8, 5), Xor(Slice(kPlain13, 8, 5), Slice(Ecb("archive key", c1), 0, 5)));

  TBlowFish decipher;
  decipher.SetKey("archive key");
  decipher.SetCipherMode(CFBMode);
  decipher.SetIVector(iv);
  EXPECT_EQ(Apply(decipher, out, false), kPlain13);
}

TEST(CipherCrypto, CfbShiftsAShortPieceIntoTheRegister) {
  // 5 bytes, then 8 with continuation: the register is IV shifted by 5 plus C1.
  const AnsiString iv = "ABCDEFGH";
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetCipherMode(CFBMode);
  cipher.SetIVector(iv);
  const TBytes first = Apply(cipher, Slice(kPlain13, 0, 5), true);
  const TBytes second = Apply(cipher, Slice(kPlain13, 5, 8), true, true);
  TBytes reg = {'F', 'G', 'H'};
  reg.insert(reg.end(), first.begin(), first.end());
  EXPECT_EQ(second, Xor(Slice(kPlain13, 5, 8), Ecb("archive key", reg)));
}

TEST(CipherCrypto, EmptyIVectorGetsARandomPrintableText) {
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetCipherMode(CBCMode);
  const TBytes out = Apply(cipher, kPlain13, true);
  ASSERT_EQ(cipher.IVector().size(), 8u);
  for (char c : cipher.IVector()) {
    EXPECT_GE(c, 33);
    EXPECT_LE(c, 125);
  }
  const AnsiString kept = cipher.IVector();
  Apply(cipher, kPlain13, true);
  EXPECT_EQ(cipher.IVector(), kept);  // made once, then kept

  TBlowFish decipher;
  decipher.SetKey("archive key");
  decipher.SetCipherMode(CBCMode);
  decipher.SetIVector(kept);
  TBytes padded = kPlain13;
  padded.resize(16, 0);
  EXPECT_EQ(Apply(decipher, out, false), padded);
}

TEST(CipherCrypto, StringInputEnciphersOnly) {
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetInputType(SourceString);
  cipher.SetInputString("Hello");
  TBytes out(8, 0xCC);
  cipher.OutputPointer = out.data();
  cipher.Encipher(false);
  EXPECT_EQ(cipher.InputLength(), 8);
  EXPECT_EQ(out, Ecb("archive key", {'H', 'e', 'l', 'l', 'o', 0, 0, 0}));

  TBytes untouched(8, 0xCC);
  cipher.OutputPointer = untouched.data();
  cipher.Decipher(false);
  EXPECT_EQ(untouched, TBytes(8, 0xCC));
}

TEST(CipherCrypto, InputLongerThanTheWorkingBufferIsRefused) {
  TBlowFish cipher;
  cipher.SetKey("archive key");
  const TBytes big(5000, 1);
  TBytes out(5008, 0xCC);
  cipher.SetInputType(SourceByteArray);
  cipher.InputPointer = big.data();
  cipher.OutputPointer = out.data();
  cipher.SetInputLength(5000);
  EXPECT_THROW(cipher.Encipher(false), rtl::Exception);
  EXPECT_EQ(out, TBytes(5008, 0xCC));
  cipher.SetInputLength(0);  // nothing to do
  EXPECT_NO_THROW(cipher.Encipher(false));
  EXPECT_EQ(out, TBytes(5008, 0xCC));
}

TEST(CipherCrypto, FileInputIsOneChainOverPieces) {
  fake::TFakeApi api;
  std::string data(9005, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  api.AddFile("C:\\in.bin", data);

  // ECB: each piece on its own, the short last one zero-padded.
  TBlowFish cipher;
  cipher.SetKey("archive key");
  cipher.SetInputFilePath("C:\\in.bin");
  cipher.SetOutputFilePath("C:\\out.bin");
  cipher.Encipher(false);
  const std::string enciphered = api.FindFile("C:\\out.bin")->Data;
  ASSERT_EQ(enciphered.size(), 9008u);
  TBytes padded(data.begin(), data.end());
  padded.resize(9008, 0);
  EXPECT_EQ(TBytes(enciphered.begin() + 8192, enciphered.end()),
            Ecb("archive key", Slice(padded, 8192, 816)));  // the 813-byte piece, padded

  cipher.SetInputFilePath("C:\\out.bin");
  cipher.SetOutputFilePath("C:\\back.bin");
  cipher.Decipher(false);
  EXPECT_EQ(api.FindFile("C:\\back.bin")->Data, std::string(padded.begin(), padded.end()));

  // CFB over the same file: the same length, and back again.
  api.AddFile("C:\\old.bin", "an older and longer content to be emptied first");
  TBlowFish cfb;
  cfb.SetKey("archive key");
  cfb.SetCipherMode(CFBMode);
  cfb.SetIVector("initvect");
  cfb.SetInputFilePath("C:\\in.bin");
  cfb.SetOutputFilePath("C:\\cfb.bin");
  cfb.Encipher(false);
  EXPECT_EQ(api.FindFile("C:\\cfb.bin")->Data.size(), 9005u);
  cfb.SetInputFilePath("C:\\cfb.bin");
  cfb.SetOutputFilePath("C:\\old.bin");
  cfb.Decipher(false);
  EXPECT_EQ(api.FindFile("C:\\old.bin")->Data, data);

  cfb.SetInputFilePath("C:\\missing.bin");
  EXPECT_THROW(cfb.Encipher(false), rtl::EFOpenError);
}
