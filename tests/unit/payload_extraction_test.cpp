#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <new>
#include <random>

#include "platform/setup_error.h"
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
    void SetUp() override { os.AddDirectory("C:\\X"); }
    bool Extract(int id) {
        RunContext run{
            os,
            session,
            {Form().JvXPProgressBar1, Form().Label23, Form().Edit2, Form().Label24,
             Form().CheckBox2, Form().Button1, Form().Button2, Form().Button3, Form().PageControl1},
            steps,
            0};
        return ExtractPayload(run, id, "C:\\X\\");
    }
    std::vector<std::uint8_t> FileBytes(const std::string& path) { return os.Find(path)->data; }
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
    EXPECT_TRUE(os.DirectoryExists("C:\\X\\plugin"));
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 6);
    EXPECT_EQ(os.open_files(), 0);
    EXPECT_EQ(os.open_resource_views, 0);
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
}

TEST_F(Extraction, MissingResourceLeavesAnOlderFileUntouched) {
    os.AddFile("C:\\X\\tessen.exe", "old client");
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "old client");
    EXPECT_FALSE(os.Called("DeleteFile"));
    EXPECT_EQ(Form().JvXPProgressBar1.position(), 1);  // the step is counted all the same
}

TEST_F(Extraction, LockedOrReadOnlyFileStaysAsItWas) {
    os.resources[101] = Deflate(Bytes("MZ new client"));
    os.AddFile("C:\\X\\tessen.exe", "running client");
    os.Find("C:\\X\\tessen.exe")->locked = true;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "running client");

    os.Find("C:\\X\\tessen.exe")->locked = false;
    os.Find("C:\\X\\tessen.exe")->read_only = true;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(os.Content("C:\\X\\tessen.exe"), "running client");
    EXPECT_EQ(os.open_resource_views, 0);
}

TEST_F(Extraction, DamagedStreamLeavesTheCompressedBytesAndFails) {
    auto stream = Deflate(Program(300000, 7));
    stream[stream.size() / 2] ^= 0x5A;
    stream[stream.size() / 2 + 1] ^= 0xA5;
    os.resources[103] = stream;
    EXPECT_FALSE(Extract(103));
    EXPECT_EQ(FileBytes("C:\\X\\_marrow.exe"), stream);
    EXPECT_EQ(os.open_files(), 0);

    os.resources[104] = Bytes("MZ not a zlib stream at all");
    EXPECT_FALSE(Extract(104));
    EXPECT_EQ(os.Content("C:\\X\\sporder.dll"), "MZ not a zlib stream at all");

    // No memory for the output buffer: the compressed bytes stay, never an empty file.
    const auto client = Deflate(Program(100000, 3));
    os.resources[101] = client;
    g_fail_nothrow_array_from = kInflateChunk;
    EXPECT_FALSE(Extract(101));
    EXPECT_EQ(g_fail_nothrow_array_from, 0u) << "the buffer was never asked for";
    g_fail_nothrow_array_from = 0;
    EXPECT_EQ(FileBytes("C:\\X\\tessen.exe"), client);
    EXPECT_EQ(os.open_files(), 0);
}

TEST_F(Extraction, TruncatedStreamLeavesTheCompressedBytesAndFails) {
    auto stream = Deflate(Program(400000, 9));
    stream.resize(stream.size() * 2 / 3);
    os.resources[106] = stream;
    EXPECT_FALSE(Extract(106));
    EXPECT_EQ(FileBytes("C:\\X\\Uninstall.exe"), stream);

    os.resources[106] = {};  // an empty resource is no stream either
    EXPECT_FALSE(Extract(106));
    EXPECT_TRUE(os.FileExists("C:\\X\\Uninstall.exe"));
    EXPECT_EQ(os.Content("C:\\X\\Uninstall.exe"), "");
}

TEST_F(Extraction, DiskFullWhileWritingFails) {
    const auto program = Program(kInflateChunk * 3, 11);
    os.resources[102] = Deflate(program);
    os.disk_free = kInflateChunk + 100;
    EXPECT_FALSE(Extract(102));
    const auto written = FileBytes("C:\\X\\harlock.exe");
    EXPECT_EQ(written.size(), kInflateChunk + 100);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), program.begin()));
    EXPECT_EQ(os.open_files(), 0);
}

TEST_F(Extraction, FolderThatCannotBeCreatedFails) {
    os.resources[105] = Deflate(Bytes("MZ provider"));
    os.refuse_create_directory.insert("C:\\X\\plugin");
    EXPECT_FALSE(Extract(105));
    EXPECT_FALSE(os.FileExists("C:\\X\\plugin\\_pellin.dll"));
    EXPECT_EQ(os.open_resource_views, 0);
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

// --- the file-based inflation

TEST(InflateFileInPlaceTest, RewritesTheFileAndRewinds) {
    MemoryOs os;
    const auto program = Program(kInflateChunk * 2 + 5, 5);
    os.AddFile("C:\\p.bin", Deflate(program));
    const FileHandle f = os.OpenFileReadWrite("C:\\p.bin");
    InflateFileInPlace(os, f);
    char first[2];
    std::size_t done = 0;
    os.ReadFile(f, first, 2, &done);  // position 0 after the rewrite
    EXPECT_EQ(std::string(first, 2), "MZ");
    os.CloseFile(f);
    EXPECT_EQ(os.Find("C:\\p.bin")->data, program);
}

TEST(InflateFileInPlaceTest, DamagedStreamRaisesAndKeepsTheBytes) {
    MemoryOs os;
    auto stream = Deflate(Program(100000, 2));
    stream[10] ^= 0xFF;
    stream[11] ^= 0xFF;
    os.AddFile("C:\\p.bin", stream);
    const FileHandle f = os.OpenFileReadWrite("C:\\p.bin");
    EXPECT_THROW(InflateFileInPlace(os, f), SetupError);
    os.CloseFile(f);
    EXPECT_EQ(os.Find("C:\\p.bin")->data, stream);
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
        const bool ok = ExtractPayload(run, 101, "C:\\X\\");
        const auto& written = w.os.Find("C:\\X\\tessen.exe")->data;
        std::vector<std::uint8_t> expected(program.size() + 1);
        uLongf size = static_cast<uLongf>(expected.size());
        const bool zlib_ok = uncompress(expected.data(), &size, stream.data(),
                                        static_cast<uLong>(stream.size())) == Z_OK;
        expected.resize(size);
        EXPECT_EQ(ok, zlib_ok) << round;
        EXPECT_EQ(written, ok ? expected : stream) << round;
        EXPECT_EQ(w.os.open_files(), 0);
        EXPECT_EQ(w.os.open_resource_views, 0);
        succeeded += ok;
    }
    EXPECT_LT(succeeded, 5);  // the trailer's checksum catches nearly every change
}

}  // namespace
}  // namespace sorvane::test
