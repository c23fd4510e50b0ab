#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/CSimpleUnknown.h"

namespace {

inline constexpr IID IID_IProbe{0x7A1E0001, 0x1234, 0x4321, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr IID IID_IOther{0x7A1E0002, 0x1234, 0x4321, {1, 2, 3, 4, 5, 6, 7, 8}};

class IProbe : public IUnknown {
public:
    virtual int Value() = 0;

protected:
    ~IProbe() = default;
};

int destroyed = 0;

class CProbe final : public CSimpleUnknown<IProbe, IID_IProbe> {
public:
    explicit CProbe(LONG initialCount) : CSimpleUnknown(initialCount) {}
    int Value() override { return 42; }

private:
    ~CProbe() override { ++destroyed; }
};

// An object whose owner takes it back at the last release instead of deleting it.
class CPooled final : public CSimpleUnknown<IProbe, IID_IProbe> {
public:
    CPooled() : CSimpleUnknown(0) {}
    ~CPooled() override = default;
    int Value() override { return 7; }
    int handedBack = 0;

private:
    void LastRelease() noexcept override { ++handedBack; }
};

}  // namespace

TEST(SimpleUnknown, AnswersItsInterfaceAndIUnknownOnly)
{
    destroyed = 0;
    IProbe* probe = new CProbe(1);
    void* found = reinterpret_cast<void*>(1);
    EXPECT_EQ(probe->QueryInterface(IID_IOther, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(probe->QueryInterface(IID_IProbe, nullptr), E_POINTER);

    ASSERT_EQ(probe->QueryInterface(IID_IProbe, &found), S_OK);
    EXPECT_EQ(static_cast<IProbe*>(found)->Value(), 42);
    ASSERT_EQ(probe->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(found, static_cast<void*>(probe)) << "IUnknown is the same pointer";
    EXPECT_EQ(probe->AddRef(), 4u) << "one reference at creation and one per answer";
    EXPECT_EQ(probe->Release(), 3u);
    probe->Release();
    probe->Release();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(SimpleUnknown, TheLastReleaseCanHandTheObjectBack)
{
    CPooled sample;
    EXPECT_EQ(sample.AddRef(), 1u);
    EXPECT_EQ(sample.Release(), 0u);
    EXPECT_EQ(sample.handedBack, 1);
    sample.AddRef();
    sample.Release();
    EXPECT_EQ(sample.handedBack, 2) << "handed out again and back again";
}

TEST(SimpleUnknown, CountsFromManyThreadsAddUp)
{
    destroyed = 0;
    IProbe* probe = new CProbe(1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([probe] {
            for (int i = 0; i < 10000; ++i) {
                probe->AddRef();
                probe->Release();
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}
