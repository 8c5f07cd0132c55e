#include "payloads/uninstall/tree_removal.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace sorvane::payloads {
namespace {

// A disk in memory. The user of the machine may add links to it, also while the
// removal runs (|after_listing|); touching anything through a link fails the test.
struct Disk {
    struct Item {
        NodeKind kind;
        int parent;
        std::map<std::wstring, int> children;
        bool gone = false;
        bool in_use = false;  // a loaded library or a running program: no delete
    };
    std::vector<Item> items{{NodeKind::Folder, -1, {}}};  // 0 is C:
    std::function<void(int folder)> after_listing = [](int) {};
    bool rename_fails = false, mark_fails = false;
    std::vector<std::wstring> marks;  // deleted at the next restart, in this order

    int Add(int parent, const std::wstring& name, NodeKind kind) {
        items.push_back({kind, parent, {}});
        items[static_cast<std::size_t>(parent)].children[name] = static_cast<int>(items.size()) - 1;
        return static_cast<int>(items.size()) - 1;
    }
    Item& at(int id) { return items[static_cast<std::size_t>(id)]; }
    std::wstring NameOf(int id) {
        for (const auto& [name, child] : at(at(id).parent).children)
            if (child == id) return name;
        return {};
    }
    std::wstring PathOf(int id) {
        return id == 0 ? L"C:" : PathOf(at(id).parent) + L"\\" + NameOf(id);
    }
    int Find(const std::wstring& path) {
        for (std::size_t id = 0; id < items.size(); ++id)
            if (!items[id].gone && PathOf(static_cast<int>(id)) == path)
                return static_cast<int>(id);
        return -1;
    }
    bool Unlink(int id) {
        Item& item = at(id);
        if (!item.children.empty() || item.in_use) return false;
        at(item.parent).children.erase(NameOf(id));
        item.gone = true;
        return true;
    }
    // The system at its next start: each marked path deleted in turn, where it can be.
    void Restart() {
        for (Item& item : items) item.in_use = false;
        for (const std::wstring& path : marks)
            if (const int id = Find(path); id > 0) Unlink(id);
        marks.clear();
    }
    int Count(int folder) {  // the things in |folder| and below
        int n = 0;
        for (const auto& [name, child] : at(folder).children) n += 1 + Count(child);
        return n;
    }
};

class DiskAccess : public NodeAccess {
  public:
    DiskAccess(Disk& disk, std::map<std::wstring, int> bases) : disk_(disk), bases_(bases) {}

    Node OpenBase(const std::wstring& path, NodeKind* kind) override {
        *kind = bases_.count(path) ? NodeKind::Folder : NodeKind::Missing;
        return bases_.count(path) ? Hold(bases_[path]) : 0;
    }
    Node OpenChild(Node folder, const std::wstring& name, NodeKind* kind) override {
        Disk::Item& item = disk_.at(open_.at(folder));
        EXPECT_EQ(item.kind, NodeKind::Folder) << "opened " << name << " through a link";
        const auto child = item.children.find(name);
        *kind = child == item.children.end() ? NodeKind::Missing : disk_.at(child->second).kind;
        return child == item.children.end() ? 0 : Hold(child->second);
    }
    bool List(Node folder, std::vector<std::wstring>* names) override {
        EXPECT_EQ(disk_.at(open_.at(folder)).kind, NodeKind::Folder) << "listed a link";
        names->clear();
        for (const auto& [name, child] : disk_.at(open_.at(folder)).children)
            names->push_back(name);
        disk_.after_listing(open_.at(folder));
        return true;
    }
    bool Delete(Node node) override { return disk_.Unlink(open_.at(node)); }
    bool Rename(Node folder, Node node, const std::wstring& name) override {
        const int id = open_.at(node);
        EXPECT_EQ(disk_.at(id).parent, open_.at(folder)) << "renamed out of its folder";
        auto& siblings = disk_.at(open_.at(folder)).children;
        if (disk_.rename_fails || siblings.count(name)) return false;
        siblings.erase(disk_.NameOf(id));
        siblings[name] = id;
        return true;
    }
    bool MarkForRestart(Node node) override {
        if (disk_.mark_fails) return false;
        disk_.marks.push_back(disk_.PathOf(open_.at(node)));
        return true;
    }
    void Close(Node node) override { EXPECT_EQ(open_.erase(node), 1u); }
    bool AllClosed() const { return open_.empty(); }

  private:
    Node Hold(int id) {
        open_[next_] = id;
        return next_++;
    }
    Disk& disk_;
    std::map<std::wstring, int> bases_;
    std::map<Node, int> open_;
    Node next_ = 1;
};

const std::wstring kBase = L"C:\\ProgramData";
const std::wstring kDatax = L"C:\\ProgramData\\Sorvane\\datax";

struct Machine {
    Disk disk;
    int data, sorvane, datax, victim;
    Machine() {
        data = disk.Add(0, L"ProgramData", NodeKind::Folder);
        sorvane = disk.Add(data, L"Sorvane", NodeKind::Folder);
        datax = disk.Add(sorvane, L"datax", NodeKind::Folder);
        disk.Add(datax, L"kayit.dat", NodeKind::File);
        victim = disk.Add(0, L"Windows", NodeKind::Folder);
        disk.Add(disk.Add(victim, L"System32", NodeKind::Folder), L"kernel32.dll", NodeKind::File);
        disk.Add(victim, L"datax", NodeKind::Folder);
    }
};

// Links inside go as links, also datax\A swapped for one between the listing of
// datax and the removal of A; what they point at stays.
TEST(TreeRemoval, LinksInsideGoAsLinksAndWhatTheyPointAtStays) {
    Machine m;
    const int a = m.disk.Add(m.datax, L"A", NodeKind::Folder);
    m.disk.Add(a, L"f.txt", NodeKind::File);
    m.disk.Add(a, L"junction", NodeKind::Link);
    m.disk.Add(m.datax, L"symlink", NodeKind::Link);
    const int b = m.disk.Add(m.datax, L"B", NodeKind::Folder);
    m.disk.Add(b, L"g.txt", NodeKind::File);
    m.disk.after_listing = [&](int folder) {
        if (folder != m.datax) return;
        m.disk.at(m.datax).children.erase(L"B");
        m.disk.Add(m.datax, L"B", NodeKind::Link);
    };
    const int victim_things = m.disk.Count(m.victim);

    DiskAccess access(m.disk, {{kBase, m.data}});
    EXPECT_EQ(RemoveTreeBelow(access, kBase, kDatax), Removal::Gone);
    EXPECT_TRUE(m.disk.at(m.datax).gone);
    EXPECT_EQ(m.disk.Count(m.victim), victim_things);
    EXPECT_TRUE(access.AllClosed());
}

TEST(TreeRemoval, LinkOrUnreadableThingOnTheWayStopsTheStep) {
    Machine m;
    m.disk.at(m.data).children.erase(L"Sorvane");
    const int link = m.disk.Add(m.data, L"Sorvane", NodeKind::Link);
    DiskAccess access(m.disk, {{kBase, m.data}});
    EXPECT_EQ(RemoveTreeBelow(access, kBase, kDatax), Removal::Failed);
    EXPECT_EQ(RemoveFileBelow(access, kBase, kDatax + L"\\kayit.dat"), Removal::Failed);
    // Kept, as anything not ours at a folder's place.
    EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kBase, L"C:\\ProgramData\\Sorvane"), Removal::Kept);
    EXPECT_FALSE(m.disk.at(link).gone);

    Machine n;
    n.disk.Add(n.datax, L"odd", NodeKind::Unsafe);
    DiskAccess other(n.disk, {{kBase, n.data}});
    EXPECT_EQ(RemoveTreeBelow(other, kBase, kDatax), Removal::Failed);
    EXPECT_FALSE(n.disk.at(n.datax).gone);
    EXPECT_EQ(RemoveTreeBelow(other, kBase, kBase + L"\\Elsewhere\\datax"),
              Removal::Gone);  // missing
    EXPECT_EQ(RemoveTreeBelow(other, kBase, kBase + L"\\Sorvane\\..\\..\\Windows"),
              Removal::Failed);
    EXPECT_TRUE(access.AllClosed() && other.AllClosed());
}

// A product in use: the running firewall and the loaded provider.
struct InUse {
    Disk disk;
    int files, sorvane, plugin, harlock, pellin;
    InUse() {
        files = disk.Add(0, L"Program Files", NodeKind::Folder);
        sorvane = disk.Add(files, L"Sorvane", NodeKind::Folder);
        disk.Add(sorvane, L"tessen.exe", NodeKind::File);
        harlock = disk.Add(sorvane, L"harlock.exe", NodeKind::File);
        plugin = disk.Add(sorvane, L"plugin", NodeKind::Folder);
        pellin = disk.Add(plugin, L"_pellin.dll", NodeKind::File);
        disk.at(harlock).in_use = disk.at(pellin).in_use = true;
    }
};

const std::wstring kFiles = L"C:\\Program Files";
const std::wstring kSorvane = L"C:\\Program Files\\Sorvane";

// Files in use are set aside under names of ours, never over a name that stands, and
// marked; their folders are marked after them, so that the restart takes it all.
TEST(TreeRemoval, FilesInUseGoAtTheRestartAfterTheirFolders) {
    InUse m;
    const int users = m.disk.Add(m.sorvane, L"~sorvane-7-1.del", NodeKind::Folder);
    DiskAccess access(m.disk, {{kFiles, m.files}});
    PendingRemovals pending(L"7");
    EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\tessen.exe", &pending), Removal::Gone);
    EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\harlock.exe", &pending),
              Removal::AtRestart);
    EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\plugin\\_pellin.dll", &pending),
              Removal::AtRestart);
    EXPECT_EQ(m.disk.NameOf(m.harlock), L"~sorvane-7-2.del");  // -1 was taken
    EXPECT_EQ(m.disk.at(users).kind, NodeKind::Folder);
    EXPECT_EQ(m.disk.NameOf(m.pellin), L"~sorvane-7-3.del");
    EXPECT_TRUE(pending.Has(kSorvane + L"\\plugin\\~sorvane-7-3.del"));

    EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kFiles, kSorvane + L"\\plugin", &pending),
              Removal::AtRestart);
    // Something else in the folder keeps it, and it is not marked.
    EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kFiles, kSorvane, &pending), Removal::Kept);
    m.disk.at(m.sorvane).children.erase(L"~sorvane-7-1.del");
    EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kFiles, kSorvane, &pending), Removal::AtRestart);
    EXPECT_EQ(m.disk.marks, (std::vector<std::wstring>{kSorvane + L"\\~sorvane-7-2.del",
                                                       kSorvane + L"\\plugin\\~sorvane-7-3.del",
                                                       kSorvane + L"\\plugin", kSorvane}));
    m.disk.Restart();
    EXPECT_TRUE(m.disk.at(m.sorvane).gone);
    EXPECT_TRUE(access.AllClosed());
}

// The setup's names of ours too: what an update set aside, or left half done, goes.
TEST(TreeRemoval, NamesOfOursAreTheSetupsToo) {
    for (const wchar_t* ours : {L"~sorvane-7-1.del", L"~sorvane-0000ABCD-_pellin.dll.del",
                                L"~SORVANE-00001234-harlock.exe.NEW"})
        EXPECT_TRUE(IsSetAsideName(ours)) << ours;
    for (const wchar_t* other : {L"tessen.exe.new", L"~sorvane-.del", L"~sorvane-1-notes.txt"})
        EXPECT_FALSE(IsSetAsideName(other)) << other;
}

// Where a file cannot be set aside and marked, it fails the step under its own name,
// so that the removal run again finds it; nothing waits for a restart.
TEST(TreeRemoval, FileThatCanBeNeitherRemovedNorMarkedStaysAsItWas) {
    for (const bool rename_fails : {true, false}) {
        InUse m;
        m.disk.rename_fails = rename_fails;
        m.disk.mark_fails = !rename_fails;
        DiskAccess access(m.disk, {{kFiles, m.files}});
        PendingRemovals pending(L"7");
        EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\harlock.exe", &pending),
                  Removal::Failed);
        EXPECT_EQ(m.disk.NameOf(m.harlock), L"harlock.exe");
        EXPECT_TRUE(m.disk.marks.empty() && pending.empty());
        EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kFiles, kSorvane, &pending), Removal::Kept);
        EXPECT_TRUE(access.AllClosed());
    }
    // While set-aside waits for the file to be let go, nothing is renamed.
    InUse m;
    DiskAccess access(m.disk, {{kFiles, m.files}});
    PendingRemovals pending(L"7");
    pending.AllowSetAside(false);
    EXPECT_EQ(RemoveTreeBelow(access, kFiles, kSorvane, &pending), Removal::Failed);
    EXPECT_EQ(m.disk.NameOf(m.pellin), L"_pellin.dll");
    EXPECT_TRUE(m.disk.marks.empty());
}

// A tree with a file in use, and files an earlier run set aside: what can go goes now,
// the rest at the restart.
TEST(TreeRemoval, TreesAndLeftoversOfEarlierRuns) {
    InUse m;
    m.disk.Add(m.plugin, L"~sorvane-3-1.del", NodeKind::File);
    m.disk.at(m.disk.Add(m.sorvane, L"~SORVANE-3-2.DEL", NodeKind::File)).in_use = true;
    DiskAccess access(m.disk, {{kFiles, m.files}});
    PendingRemovals pending(L"9");
    EXPECT_EQ(RemoveTreeBelow(access, kFiles, kSorvane + L"\\plugin", &pending),
              Removal::AtRestart);
    EXPECT_EQ(m.disk.at(m.plugin).children.size(), 1u);  // the old leftover went at once
    EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\harlock.exe", &pending),
              Removal::AtRestart);
    EXPECT_EQ(RemoveFileBelow(access, kFiles, kSorvane + L"\\tessen.exe", &pending), Removal::Gone);
    EXPECT_EQ(RemoveFolderIfEmptyBelow(access, kFiles, kSorvane, &pending), Removal::AtRestart);
    ASSERT_EQ(m.disk.marks.size(), 5u);
    EXPECT_EQ(m.disk.marks[1], kSorvane + L"\\plugin");
    EXPECT_EQ(m.disk.marks[3], kSorvane + L"\\~SORVANE-3-2.DEL");
    EXPECT_EQ(m.disk.marks[4], kSorvane);
    m.disk.Restart();
    EXPECT_TRUE(m.disk.at(m.sorvane).gone);
}

}  // namespace
}  // namespace sorvane::payloads
