#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <new>
#include <random>

#include "install/file_swap.h"
#include "install/payload.h"
#include "support/wizard_fixture.h"

// Armed by a test: the next nothrow array allocation of at least this many bytes fails,
// as it would on a machine out of memory.
static std::size_t g_fail_nothrow_array_from = 0;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (g_fail_nothrow_array_from != 0 && size >= g_fail_nothrow_array_from) {
        g_fail_nothrow_array_from = 0;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace sorvane::test {
namespace {

std::vector<std::uint8_t> Program(std::size_t size, unsigned seed) {
    // Compressible but not trivial, like an executable: text runs and noise.
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = (i % 1024) < 700 ? static_cast<std::uint8_t>("MZ setup payload "[i % 17])
                                   : static_cast<std::uint8_t>(rng());
    data[0] = 'M';
    data[1] = 'Z';
    return data;
}

class Extraction : public ::testing::Test, public WizardFixture {
  protected:
    void SetUp() override {
        os.AddDirectory("C:\\X");
        folders.target = held.Hold("C:\\X");
        folders.plugin = held.HoldAt(folders.target, "plugin");
    }
    RunContext Run() {
        return RunContext{
            os,
            session,
            {Form().JvXPProgressBar1, Form().Label23, Form().Edit2, Form().Label24,
             Form().CheckBox2, Form().Button1, Form().Button2, Form().Button3, Form().PageControl1},
            steps,
            0};
    }
    // Writes payload |id| and, when it is whole, gives it its name.
    bool Extract(int id) {
        RunContext run = Run();
        FileSwap swap(os);
        std::string failed;
        error = 0;
        return ExtractPayload(run, id, folders, swap, &error) && swap.SwapAll(&failed, &error) &&
               (swap.RemoveSetAside(), true);
    }
    std::vector<std::uint8_t> FileBytes(const std::string& path) { return os.Find(path)->data; }
    // Nothing of ours is left beside the files.
    bool NoStagedFiles() {
        for (const std::string& file : os.ListFiles())
            if (file.find("~sorvane-") != std::string::npos) return false;
        return true;
    }
    HeldFolders held{os};
    PayloadFolders folders;
    std::uint32_t error = 0;
};

TEST_F(Extraction, EachIdWritesItsFileUnderItsName) {
    std::map<int, std::vector<std::uint8_t>> programs;
    for (int id = 101; id <= 106; ++id) {
        // Sizes around the chunk size catch lost or doubled chunks.
        programs[id] = Program(kInflateChunk * (id - 100) / 2 + static_cast<std::size_t>(id), id);
        os.resources[id] = Deflate(programs[id]);
    }
    for (int id = 101; id <= 106; ++id) EXPECT_TRUE(Extract(id)) << id;
    const char* names[] = {"tessen.exe",  "harlock.exe",         "_marrow.exe",
                           "sporder.dll", "plugin\\_pellin.dll", "Uninstall.exe"};
    for (int id = 101; id <= 106; ++id)
        EXPECT_EQ(FileBytes(std::string("C:\\X\\") + names[id - 101]), programs[id]) << id;
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 6);
    EXPECT_EQ(os.open_files(), 0);
    EXPECT_EQ(os.open_resource_views, 0);
    EXPECT_TRUE(NoStagedFiles());
}

TEST_F(Extraction, ShowsTheBareFileNameWhileWriting) {
    os.resources[105] = Deflate(Bytes("MZ provider"));
    std::string shown;
    os.on_pump = [&](int) { shown = Form().Edit2.text(); };
    EXPECT_TRUE(Extract(105));
    EXPECT_EQ(shown, "_pellin.dll");
}

TEST_F(Extraction, ReplacesAnEarlierInstallation) {
    os.AddFile("C:\\X\\harlock.exe", std::string(100000, 'o'));
    os.resources[102] = Deflate(Bytes("MZ new firewall"));
    EXPECT_TRUE(Extract(102));
    EXPECT_EQ(os.Content("C:\\X\\harlock.exe"), "MZ new firewall");
    EXPECT_TRUE(NoStagedFiles());
    EXPECT_TRUE(os.at_restart.empty());
}

// Whatever keeps a payload from being whole leaves the older file as it was, and
// nothing of the new one.
TEST_F(Extraction, FailureLeavesTheOlderFileAndNothingElse) {
    os.AddFile("C:\\X\\tessen.exe", "old client");
    EXPECT_FALSE(Extract(101));  // no resource
    EXPECT_EQ(error, 1812u);
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 1);  // the step is counted all the same

    auto damaged = Deflate(Program(300000, 7));
    damaged[damaged.size() / 2] ^= 0x5A;
    damaged[damaged.size() / 2 + 1] ^= 0xA5;
    auto truncated = Deflate(Program(400000, 9));
    truncated.resize(truncated.size() * 2 / 3);
    for (const auto& stream :
         {damaged, truncated, Bytes("MZ not a zlib stream at all"), std::vector<std::uint8_t>{}}) {
        os.resources[101] = stream;
        EXPECT_FALSE(Extract(101));
        EXPECT_EQ(error, 13u);  // ERROR_INVALID_DATA
    }

    // No memory for the output buffer.
    os.resources[101] = Deflate(Program(100000, 3));
    g_fail_nothrow_array_from = kInflateChunk;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(g_fail_nothrow_array_from, 0u) << "the buffer was never asked for";
    g_fail_nothrow_array_from = 0;
    EXPECT_EQ(error, 8u);

    // The disk fills up while writing.
    os.resources[101] = Deflate(Program(kInflateChunk * 3, 11));
    os.disk_free = kInflateChunk + 100;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(error, 112u);
    os.disk_free.reset();

    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "old client");
    EXPECT_TRUE(NoStagedFiles());
    EXPECT_EQ(os.open_files(), 0);
    EXPECT_EQ(os.open_resource_views, 0);
}

// A program that runs or a library that is loaded gives up its name; the old file
// waits for the next start of the system. One held without delete sharing keeps it.
TEST_F(Extraction, FileInUseIsSetAsideUntilTheRestart) {
    os.resources[105] = Deflate(Bytes("MZ new provider"));
    os.AddFile("C:\\X\\plugin\\_pellin.dll", "loaded provider");
    os.Find("C:\\X\\plugin\\_pellin.dll")->loaded = true;
    RunContext run = Run();
    FileSwap swap(os);
    std::string failed;
    ASSERT_TRUE(ExtractPayload(run, 105, folders, swap, &error));
    ASSERT_TRUE(swap.SwapAll(&failed, &error));
    const auto waiting = swap.RemoveSetAside();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0].rfind("C:\\X\\plugin\\~sorvane-", 0), 0u);
    EXPECT_EQ(os.Content(waiting[0]), "loaded provider");
    EXPECT_EQ(os.at_restart, waiting);
    EXPECT_EQ(os.Content("C:\\X\\plugin\\_pellin.dll"), "MZ new provider");

    os.resources[101] = Deflate(Bytes("MZ new client"));
    os.AddFile("C:\\X\\tessen.exe", "running client");
    os.Find("C:\\X\\tessen.exe")->locked = true;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(error, 32u);
    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "running client");
}

TEST_F(Extraction, IdOutsideTheTableWritesNothing) {
    os.resources[107] = Deflate(Bytes("MZ"));
    EXPECT_FALSE(Extract(107));
    EXPECT_FALSE(Extract(100));
    EXPECT_EQ(PayloadName(100), nullptr);
    EXPECT_STREQ(PayloadName(105), "plugin\\_pellin.dll");
}

TEST_F(Extraction, StreamAtAnotherLevelInflatesAllTheSame) {
    const auto program = Program(200000, 3);
    os.resources[101] = Deflate(program, 9);
    EXPECT_TRUE(Extract(101));
    EXPECT_EQ(FileBytes("C:\\X\\tessen.exe"), program);
}

}  // namespace
}  // namespace sorvane::test

namespace sorvane::test {
namespace {

// Damaged resources of every kind: extraction never claims a file that zlib itself
// would not give, and never leaves a handle or a resource view open.
TEST(ExtractionRobustness, MutatedStreamsNeverPassForPayloads) {
    std::mt19937 rng(20261209);
    const auto program = Program(150000, 1);
    const auto good = Deflate(program);
    int succeeded = 0;
    for (int round = 0; round < 300; ++round) {
        auto stream = good;
        switch (round % 3) {
            case 0:  // flipped bytes
                for (int i = 0; i < 1 + round % 5; ++i)
                    stream[rng() % stream.size()] ^= 1 + rng() % 255;
                break;
            case 1:  // cut short
                stream.resize(rng() % stream.size());
                break;
            default:  // random bytes after a valid header
                for (std::size_t i = 2; i < stream.size(); ++i)
                    stream[i] = static_cast<std::uint8_t>(rng());
                break;
        }
        WizardFixture w;
        w.os.AddDirectory("C:\\X");
        w.os.resources[101] = stream;
        RunContext run{w.os,
                       w.session,
                       {w.Form().JvXPProgressBar1, w.Form().Label23, w.Form().Edit2,
                        w.Form().Label24, w.Form().CheckBox2, w.Form().Button1, w.Form().Button2,
                        w.Form().Button3, w.Form().PageControl1},
                       w.steps,
                       0};
        HeldFolders held(w.os);
        PayloadFolders folders;
        folders.target = held.Hold("C:\\X");
        std::uint32_t error = 0;
        std::string failed;
        bool ok = false;
        {
            FileSwap swap(w.os);
            ok = ExtractPayload(run, 101, folders, swap, &error) && swap.SwapAll(&failed, &error);
        }
        const MemoryOs::Node* file = w.os.Find("C:\\X\\tessen.exe");
        std::vector<std::uint8_t> expected(program.size() + 1);
        uLongf size = static_cast<uLongf>(expected.size());
        const bool zlib_ok = uncompress(expected.data(), &size, stream.data(),
                                        static_cast<uLong>(stream.size())) == Z_OK;
        expected.resize(size);
        EXPECT_EQ(ok, zlib_ok) << round;
        // Only a whole payload takes the name; nothing is left of one that is not.
        EXPECT_EQ(file != nullptr, ok) << round;
        if (file) EXPECT_EQ(file->data, expected) << round;
        EXPECT_EQ(w.os.ListFiles().size(), ok ? 1u : 0u) << round;
        EXPECT_EQ(w.os.open_files(), 0);
        EXPECT_EQ(w.os.open_resource_views, 0);
        succeeded += ok;
    }
    EXPECT_LT(succeeded, 5);  // the trailer's checksum catches nearly every change
}

}  // namespace
}  // namespace sorvane::test
