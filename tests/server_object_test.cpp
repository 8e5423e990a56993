#include <gtest/gtest.h>

#include "common/error.hpp"
#include "server/provider.hpp"
#include "support/case_names.hpp"
#include "support/server_fixture.hpp"

namespace zorvanil::test {
namespace {

using server::CallStatus;

class ServerObject : public ServerFixture {};

TEST_F(ServerObject, ListsExportedProvidersSortedWithoutRegardToCase) {
    Variant names;
    ASSERT_TRUE(module().AS_GetProviderNames(names).ok());
    std::vector<std::string> got;
    for (auto& n : names.asArray())
        got.push_back(n.asString());
    EXPECT_EQ(got,
              (std::vector<std::string>{"DSPQ_ACTUALIZAR", "DSPQ_CLIENTES", "DSPQ_EAN", "DSPQ_EXEC",
                                        "DSPQ_FAILING", "DSPQ_LINEAS", "DSPQ_LOOKUP", "DSPQ_MAXIMO",
                                        "DSPQ_MDPEDIDOS", "DSPQ_NODATASET", "dspq_paged",
                                        "DSPQ_QUOTED", "DSPQ_STATUS", "DSPQ_UNBOUND"}));
    // The provider list itself keeps construction order.
    EXPECT_EQ(module().providers().front()->name(), "DSPQ_CLIENTES");
    EXPECT_EQ(module().providers().size(), 14u);

    // A provider added or removed later shows in the next answer.
    auto nameCount = [&] {
        Variant v;
        EXPECT_TRUE(module().AS_GetProviderNames(v).ok());
        return v.asArray().size();
    };
    {
        server::DataSetProvider extra("DSPQ_ZEXTRA", nullptr, 0, module());
        EXPECT_EQ(nameCount(), 15u);
    }
    EXPECT_EQ(nameCount(), 14u);
}

TEST_F(ServerObject, FindsProvidersWhateverTheLetterCase) {
    auto r = read("dspq_clientes", -1);
    ASSERT_TRUE(r.status.ok()) << r.status.message;
    EXPECT_EQ(r.recsOut, 5);
    EXPECT_EQ(&module().FindProvider("DsPq_PaGeD"), module().providers()[2]);
}

// A read that fails: the provider and owner data, and the status, message and help context of
// the failure.
struct FailedReadCase {
    const char* name;
    const char* provider;
    Variant ownerData;
    std::int32_t status;
    const char* message;
    std::int32_t helpContext;
};
void PrintTo(const FailedReadCase& c, std::ostream* os) {
    *os << c.provider << " owner data " << quotedText(c.ownerData.toString());
}

// Errors keep their message and their negative status.
const FailedReadCase kFailedReads[] = {
    {"UnknownProvider", "DSPQ_NOWHERE", Variant(), kGeneralFailure,
     "Provider not exported: DSPQ_NOWHERE", 0},
    {"HandlerFails", "DSPQ_FAILING", Variant("12"), kGeneralFailure, "Handler failed", 0},
    {"HandlerGetsGarbage", "DSPQ_FAILING", Variant("x-***#"), kGeneralFailure,
     "'x-***#' is not a valid integer value", 0},
    {"HandlerSetsTheStatus", "DSPQ_STATUS", Variant(), static_cast<std::int32_t>(0x80070005u),
     "Access denied", 7},
};

class ServerObjectFailure : public ServerFixture,
                            public ::testing::WithParamInterface<FailedReadCase> {};

TEST_P(ServerObjectFailure, ReportsTheErrorAndTheObjectGoesOn) {
    const FailedReadCase& c = GetParam();
    auto r = read(c.provider, 1, 0, c.ownerData);
    EXPECT_EQ(r.status.status, c.status);
    EXPECT_EQ(r.status.message, c.message);
    EXPECT_EQ(r.status.helpContext, c.helpContext);
    // The lock is free and the connection usable after every failure.
    EXPECT_TRUE(read("DSPQ_CLIENTES", 2).status.ok());
}

INSTANTIATE_TEST_SUITE_P(ServerObject, ServerObjectFailure, ::testing::ValuesIn(kFailedReads),
                         CaseName());

TEST_F(ServerObject, AnEmptyProviderNameIsNoProvider) {
    Variant owner, result;
    EXPECT_EQ(module().AS_GetParams("", owner, result).message, "Provider not exported: ");
}

TEST_F(ServerObject, BadInputNeverLeavesTheObjectUnusable) {
    // Invalid SQL through a provider that takes command text.
    auto bad = read("DSPQ_MAXIMO", -1, 0, {}, "SELEC nonsense FROM");
    EXPECT_EQ(bad.status.status, kGeneralFailure);
    EXPECT_NE(bad.status.message.find("syntax error"), std::string::npos) << bad.status.message;

    // Garbage where packets are expected.
    Variant owner = Variant(Variant::Array{Variant(1), Variant("two")});
    Variant params = Variant("not a packet"), result;
    std::int32_t recs = 0;
    auto st = module().AS_GetRecords("DSPQ_CLIENTES", 1, recs, 0, "", params, owner, result);
    EXPECT_EQ(st.message, "Invalid parameter packet");
    Variant row = Variant("garbage");
    EXPECT_EQ(module().AS_RowRequest("DSPQ_CLIENTES", row, 1, owner, result).message,
              "Invalid row packet");

    // An owner data of a type that has no text reaches the handler's conversion and fails there.
    auto array = read("DSPQ_FAILING", 1, 0, owner);
    EXPECT_EQ(array.status.message, "Could not convert variant of type (Array) into type (String)");

    auto good = read("DSPQ_MAXIMO", -1, 0, {}, "SELECT COUNT(*) AS N FROM CLIENTES");
    ASSERT_TRUE(good.status.ok()) << good.status.message;
    EXPECT_EQ(good.column(0), std::vector<std::string>{"5"});
}

TEST_F(ServerObject, DataRequestAnswersNull) {
    Variant result = Variant("x");
    ASSERT_TRUE(module().AS_DataRequest("DSPQ_CLIENTES", Variant(1), result).ok());
    EXPECT_TRUE(result.isNull());
}

TEST_F(ServerObject, BindingsWithoutHandlerAreListed) {
    auto& missing = module().missingBindings();
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].component, "DSPQ_UNBOUND");
    EXPECT_EQ(missing[0].handler, "NoSuchHandler");
    // A handler of another kind does not serve the event.
    EXPECT_EQ(missing[1].event, "OnUpdateError");
}

TEST_F(ServerObject, ConstructionFailsWhenTheDatabaseCannotBeOpened) {
    writeFile(db.environment()->connectionFile,
              "u\r\np\r\n" + (db.dir() / "missing.db").string() + "\r\n");
    try {
        module();
        FAIL() << "construction should fail";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.db"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace zorvanil::test
