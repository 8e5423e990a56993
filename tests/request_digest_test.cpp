#include <gtest/gtest.h>

#include <string>

#include "server/request_digest.hpp"
#include "support/case_names.hpp"

namespace zorvanil::test {
namespace {

using server::applyRequestDigest;

// Two requests that differ in one part, or only in where a part ends, have different digests;
// the same request has the same one.
struct DigestCase {
    const char* name;
    const char* providerA;
    std::int32_t maxErrorsA;
    Variant ownerA;
    const char* providerB;
    std::int32_t maxErrorsB;
    Variant ownerB;
    bool same;
};

void PrintTo(const DigestCase& c, std::ostream* os) {
    *os << c.providerA << "/" << c.maxErrorsA << " vs " << c.providerB << "/" << c.maxErrorsB;
}

class RequestDigest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(RequestDigest, TellsRequestsApart) {
    const DigestCase& c = GetParam();
    const Variant delta = Variant(std::string("rows"));
    EXPECT_EQ(applyRequestDigest(c.providerA, c.maxErrorsA, c.ownerA, delta) ==
                  applyRequestDigest(c.providerB, c.maxErrorsB, c.ownerB, delta),
              c.same);
}

const DigestCase kDigestCases[] = {
    {"SameRequest", "DSPQ_MDALBARAN", 0, Variant(), "DSPQ_MDALBARAN", 0, Variant(), true},
    {"OtherProvider", "DSPQ_MDALBARAN", 0, Variant(), "DSPQ_MDFACTURA", 0, Variant(), false},
    {"OtherLimit", "DSPQ_MDALBARAN", 0, Variant(), "DSPQ_MDALBARAN", -1, Variant(), false},
    {"PostingOff", "DSPQ_MDALBARAN", 0, Variant(), "DSPQ_MDALBARAN", 0, Variant(std::string("1")),
     false},
    // "P1" + "0" against "P" + "10": the lengths keep the parts apart.
    {"PartsShifted", "P1", 0, Variant(), "P", 10, Variant(), false},
};
INSTANTIATE_TEST_SUITE_P(ApplyRequest, RequestDigest, ::testing::ValuesIn(kDigestCases),
                         CaseName());

TEST(ApplyRequestSha256, MatchesTheStandardVectors) {
    EXPECT_EQ(server::sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(server::sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace zorvanil::test
