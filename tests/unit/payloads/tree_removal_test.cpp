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
    };
    std::vector<Item> items{{NodeKind::Folder, -1, {}}};  // 0 is C:
    std::function<void(int folder)> after_listing = [](int) {};

    int Add(int parent, const std::wstring& name, NodeKind kind) {
        items.push_back({kind, parent, {}});
        items[static_cast<std::size_t>(parent)].children[name] = static_cast<int>(items.size()) - 1;
        return static_cast<int>(items.size()) - 1;
    }
    Item& at(int id) { return items[static_cast<std::size_t>(id)]; }
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
    bool Delete(Node node) override {
        const int id = open_.at(node);
        Disk::Item& item = disk_.at(id);
        if (!item.children.empty()) return false;
        auto& siblings = disk_.at(item.parent).children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it) {
            if (it->second == id) {
                siblings.erase(it);
                break;
            }
        }
        item.gone = true;
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
    EXPECT_TRUE(RemoveTreeBelow(access, kBase, kDatax));
    EXPECT_TRUE(m.disk.at(m.datax).gone);
    EXPECT_EQ(m.disk.Count(m.victim), victim_things);
    EXPECT_TRUE(access.AllClosed());
}

TEST(TreeRemoval, LinkOrUnreadableThingOnTheWayStopsTheStep) {
    Machine m;
    m.disk.at(m.data).children.erase(L"Sorvane");
    const int link = m.disk.Add(m.data, L"Sorvane", NodeKind::Link);
    DiskAccess access(m.disk, {{kBase, m.data}});
    EXPECT_FALSE(RemoveTreeBelow(access, kBase, kDatax));
    EXPECT_FALSE(RemoveFileBelow(access, kBase, kDatax + L"\\kayit.dat"));
    // Kept, as anything not ours at a folder's place.
    EXPECT_TRUE(RemoveFolderIfEmptyBelow(access, kBase, L"C:\\ProgramData\\Sorvane"));
    EXPECT_FALSE(m.disk.at(link).gone);

    Machine n;
    n.disk.Add(n.datax, L"odd", NodeKind::Unsafe);
    DiskAccess other(n.disk, {{kBase, n.data}});
    EXPECT_FALSE(RemoveTreeBelow(other, kBase, kDatax));
    EXPECT_FALSE(n.disk.at(n.datax).gone);
    EXPECT_TRUE(RemoveTreeBelow(other, kBase, kBase + L"\\Elsewhere\\datax"));  // missing
    EXPECT_FALSE(RemoveTreeBelow(other, kBase, kBase + L"\\Sorvane\\..\\..\\Windows"));
    EXPECT_TRUE(access.AllClosed() && other.AllClosed());
}

}  // namespace
}  // namespace sorvane::payloads
