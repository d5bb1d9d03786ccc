// The utility half of the SNMP layer: identifier order, copies and releases with the
// allocator's balance, events and the per-thread last error.
#include "snmpapi/SnmpApi.h"
#include "testing/SnmpTesting.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

using Ids = std::vector<UINT>;

AsnObjectIdentifier View(Ids& ids) {
    return {static_cast<UINT>(ids.size()), ids.data()};
}

int Sign(int n) {
    return (n > 0) - (n < 0);
}

// An octet-form value whose stream is a fresh block of the utility allocator.
AsnAny DynamicOctets(BYTE type, const char* bytes) {
    AsnAny any{};
    any.asnType = type;
    const UINT length = static_cast<UINT>(std::strlen(bytes));
    any.asnValue.string.stream = static_cast<BYTE*>(SnmpUtilMemAlloc(length));
    std::memcpy(any.asnValue.string.stream, bytes, length);
    any.asnValue.string.length = length;
    any.asnValue.string.dynamic = TRUE;
    return any;
}

// A list of `count` bindings, its array from the utility allocator.
SnmpVarBindList NewList(UINT count) {
    SnmpVarBindList list{};
    list.list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(count * sizeof(SnmpVarBind)));
    list.len = count;
    return list;
}

TEST(SnmpUtil, OidCmpOrdersLexicographicallyWithPrefixesFirst) {
    struct Case {
        Ids a;
        Ids b;
        int sign;
    };
    const Case cases[] = {
        {{1, 3, 6}, {1, 3, 6}, 0},
        {{}, {}, 0},
        {{}, {0}, -1},
        {{1, 3}, {1, 3, 6}, -1},           // a prefix comes first
        {{1, 3, 6, 1}, {1, 3, 6}, 1},      //
        {{1, 3, 7}, {1, 3, 6, 1, 2}, 1},   // the first difference decides, not length
        {{1, 2}, {1, 10}, -1},             // numbers, not texts
        {{1, 4294967295u}, {1, 0}, 1},     // unsigned: the largest is largest
        {{2147483648u}, {2147483647u}, 1}, //
        {{1, 3, 6, 1, 2, 1, 1, 5, 0}, {1, 3, 6, 1, 2, 1, 1, 5, 1}, -1},
    };
    for (Case c : cases) {
        const AsnObjectIdentifier a = View(c.a);
        const AsnObjectIdentifier b = View(c.b);
        EXPECT_EQ(Sign(SnmpUtilOidCmp(&a, &b)), c.sign);
        EXPECT_EQ(Sign(SnmpUtilOidCmp(&b, &a)), -c.sign); // and the other way round
    }
}

TEST(SnmpUtil, OidNCmpLooksAtTheFirstNSubIdentifiers) {
    struct Case {
        Ids a;
        Ids b;
        UINT n;
        int sign;
    };
    const Case cases[] = {
        {{1, 3, 6, 1, 2, 1, 1, 5, 0}, {1, 3, 6, 1, 2, 1}, 6, 0}, // inside the subtree
        {{1, 3, 6, 1, 2, 1}, {1, 3, 6, 1, 2, 1}, 6, 0},          // the root itself
        {{1, 3, 6, 1, 2, 2, 1}, {1, 3, 6, 1, 2, 1}, 6, 1},       // past it
        {{1, 3, 6, 1, 2, 0, 9}, {1, 3, 6, 1, 2, 1}, 6, -1},      // before it
        {{1, 3, 6, 1, 2}, {1, 3, 6, 1, 2, 1}, 6, -1},            // shorter within n
        {{1, 3, 6}, {1, 3, 7}, 2, 0},                            // the difference beyond n
        {{1, 3, 6}, {1, 3, 7}, 3, -1},                           // ... and at n
        {{9}, {1}, 0, 0},                                        // nothing compared
        {{1, 3}, {1, 3}, 10, 0},                                 // n beyond both
        {{1, 3}, {1, 3, 0}, 10, -1},                             // n beyond the shorter
        {{4294967295u, 1}, {0, 1}, 1, 1},
    };
    for (Case c : cases) {
        const AsnObjectIdentifier a = View(c.a);
        const AsnObjectIdentifier b = View(c.b);
        EXPECT_EQ(Sign(SnmpUtilOidNCmp(&a, &b, c.n)), c.sign) << "n = " << c.n;
        EXPECT_EQ(Sign(SnmpUtilOidNCmp(&b, &a, c.n)), -c.sign) << "n = " << c.n;
    }
}

TEST(SnmpUtil, OidCpyMakesAnIndependentCopy) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    Ids source = {1, 3, 6, 1, 4294967295u};
    const AsnObjectIdentifier view = View(source);
    AsnObjectIdentifier copy{};
    ASSERT_TRUE(SnmpUtilOidCpy(&copy, &view));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 1);
    ASSERT_EQ(copy.idLength, 5u);
    EXPECT_NE(copy.ids, source.data());
    source[4] = 7;
    EXPECT_EQ(copy.ids[4], 4294967295u);

    // Appending grows the copy in its own block.
    Ids tail = {2, 1};
    const AsnObjectIdentifier tailView = View(tail);
    ASSERT_TRUE(SnmpUtilOidAppend(&copy, &tailView));
    EXPECT_EQ(Ids(copy.ids, copy.ids + copy.idLength), (Ids{1, 3, 6, 1, 4294967295u, 2, 1}));
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 1);

    SnmpUtilOidFree(&copy);
    EXPECT_EQ(copy.ids, nullptr);
    EXPECT_EQ(copy.idLength, 0u);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);

    // An empty identifier copies to an empty one without a block; freeing it twice is safe.
    AsnObjectIdentifier empty{};
    ASSERT_TRUE(SnmpUtilOidCpy(&copy, &empty));
    EXPECT_EQ(copy.ids, nullptr);
    SnmpUtilOidFree(&copy);
    SnmpUtilOidFree(&copy);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

TEST(SnmpUtil, MemAllocGivesZeroFilledBlocks) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    auto* block = static_cast<unsigned char*>(SnmpUtilMemAlloc(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(block[i], 0) << i;
    // Growing keeps the block's count; a null block is a new one.
    block = static_cast<unsigned char*>(SnmpUtilMemReAlloc(block, 4096));
    ASSERT_NE(block, nullptr);
    void* fresh = SnmpUtilMemReAlloc(nullptr, sizeof(SnmpVarBind));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 2);
    SnmpUtilMemFree(block);
    SnmpUtilMemFree(fresh);
    SnmpUtilMemFree(nullptr);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// Streams are released only where the value owns them: a stream that is not `dynamic` may
// point at a caller's buffer, and releasing it would be a free of memory never allocated.
TEST(SnmpUtil, VarBindListFreeReleasesOnlyWhatTheListOwns) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    static BYTE borrowed[] = {'k', 'e', 'p', 't'};
    Ids name = {1, 3, 6, 1, 4, 1, 15, 0, 0, 1};
    const AsnObjectIdentifier nameView = View(name);

    const BYTE octetTypes[] = {ASN_OCTETSTRING, ASN_SEQUENCE, ASN_IPADDRESS, ASN_OPAQUE};
    SnmpVarBindList list = NewList(2 * 4 + 3);
    UINT next = 0;
    for (BYTE type : octetTypes) {
        SnmpVarBind& owned = list.list[next++];
        SnmpUtilOidCpy(&owned.name, &nameView);
        owned.value = DynamicOctets(type, "abcd");

        SnmpVarBind& shared = list.list[next++];
        SnmpUtilOidCpy(&shared.name, &nameView);
        shared.value.asnType = type;
        shared.value.asnValue.string = AsnOctetString{borrowed, sizeof borrowed, FALSE};
    }
    SnmpVarBind& object = list.list[next++];
    SnmpUtilOidCpy(&object.name, &nameView);
    object.value.asnType = ASN_OBJECTIDENTIFIER;
    SnmpUtilOidCpy(&object.value.asnValue.object, &nameView);
    SnmpVarBind& counter = list.list[next++];
    SnmpUtilOidCpy(&counter.name, &nameView);
    counter.value.asnType = ASN_COUNTER32;
    counter.value.asnValue.counter = 4294967295u;
    SnmpVarBind& null = list.list[next++]; // a binding with no name and a NULL value
    null.value.asnType = ASN_NULL;
    ASSERT_EQ(next, list.len);

    // 1 array + 10 names + 4 streams + 1 object value.
    EXPECT_EQ(SnmpUtilLiveBlocks(), before + 16);
    SnmpUtilVarBindListFree(&list);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
    EXPECT_EQ(list.list, nullptr);
    EXPECT_EQ(list.len, 0u);
    EXPECT_EQ(std::memcmp(borrowed, "kept", 4), 0);
    SnmpUtilVarBindListFree(&list); // an emptied list may be freed again
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

// A copy owns everything it holds, whatever the original borrowed, so copies and their
// releases always balance.
TEST(SnmpUtil, CopiesOwnTheirValuesAndBalanceTheirReleases) {
    const std::int64_t before = SnmpUtilLiveBlocks();
    static BYTE borrowed[] = {0, 1, 2, 0};
    Ids name = {1, 3, 6, 1, 2, 1, 1, 5, 0};

    // 0x49 and 0xA9: tags that agents send and no standard gives, kept as their bytes.
    for (BYTE type :
         {ASN_OCTETSTRING, ASN_SEQUENCE, ASN_IPADDRESS, ASN_OPAQUE, BYTE{0x49}, BYTE{0xA9}}) {
        SnmpVarBind original{View(name), {}};
        original.value.asnType = type;
        original.value.asnValue.string = AsnOctetString{borrowed, sizeof borrowed, FALSE};
        SnmpVarBind copy{};
        ASSERT_TRUE(SnmpUtilVarBindCpy(&copy, &original));
        EXPECT_TRUE(copy.value.asnValue.string.dynamic);
        EXPECT_NE(copy.value.asnValue.string.stream, borrowed);
        EXPECT_EQ(std::memcmp(copy.value.asnValue.string.stream, borrowed, sizeof borrowed), 0);
        EXPECT_EQ(SnmpUtilLiveBlocks(), before + 2);
        SnmpUtilVarBindFree(&copy);
        EXPECT_EQ(SnmpUtilLiveBlocks(), before);
    }

    AsnAny object{};
    object.asnType = ASN_OBJECTIDENTIFIER;
    object.asnValue.object = View(name);
    AsnAny objectCopy{};
    ASSERT_TRUE(SnmpUtilAsnAnyCpy(&objectCopy, &object));
    EXPECT_NE(objectCopy.asnValue.object.ids, name.data());
    SnmpUtilAsnAnyFree(&objectCopy);

    AsnAny number{};
    number.asnType = ASN_INTEGER;
    number.asnValue.number = -2147483647 - 1;
    AsnAny numberCopy{};
    ASSERT_TRUE(SnmpUtilAsnAnyCpy(&numberCopy, &number));
    EXPECT_EQ(numberCopy.asnValue.number, -2147483647 - 1);
    SnmpUtilAsnAnyFree(&numberCopy);
    EXPECT_EQ(SnmpUtilLiveBlocks(), before);
}

TEST(SnmpUtil, EventsResetManuallyOrOnWake) {
    HANDLE manual = CreateEvent(true, false);
    HANDLE automatic = CreateEvent(false, true);
    ASSERT_NE(manual, nullptr);
    ASSERT_NE(automatic, nullptr);

    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0); // stays signalled
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT); // a wait consumed it

    // A waiter on another thread is woken.
    std::thread waiter(
        [manual] { EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0); });
    SetEvent(manual);
    waiter.join();

    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST(SnmpUtil, LastErrorBelongsToItsThread) {
    SetLastError(SNMP_MGMTAPI_BAD_PORT);
    UINT seenThere = 1;
    std::thread other([&seenThere] {
        seenThere = GetLastError();
        SetLastError(SNMP_MGMTAPI_TIMEOUT);
    });
    other.join();
    EXPECT_EQ(seenThere, 0u);
    EXPECT_EQ(GetLastError(), SNMP_MGMTAPI_BAD_PORT);
}

TEST(SnmpUtil, EveryErrorCodeHasAText) {
    for (UINT code = SNMP_MGMTAPI_NO_ADDRESS; code <= SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT;
         ++code)
        EXPECT_STRNE(SystemErrorText(code), "") << code;
    // Only the agent's security refuses; a time-out or a cancel is the flow's own failure.
    EXPECT_TRUE(IsSecurityRefusal(SNMP_MGMTAPI_USM_UNKNOWN_USER));
    EXPECT_TRUE(IsSecurityRefusal(SNMP_MGMTAPI_USM_UNVERIFIED_UNKNOWN_CONTEXT));
    EXPECT_FALSE(IsSecurityRefusal(SNMP_MGMTAPI_TIMEOUT));
    EXPECT_FALSE(IsSecurityRefusal(SNMP_MGMTAPI_CANCELLED));
    EXPECT_FALSE(IsSecurityRefusal(ECONNREFUSED));
    // Operating-system errors keep the C library's text.
    EXPECT_STREQ(SystemErrorText(ECONNREFUSED), std::strerror(ECONNREFUSED));
    EXPECT_STREQ(SystemErrorText(0), "");
}

} // namespace
