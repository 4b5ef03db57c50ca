#include "core/TavUtils.h"

namespace pellucor {

namespace {
constexpr size_t kTreeTableSize = 1000;
constexpr size_t kDirsPerLevel = 100;
constexpr int kMaxDepth = 10;

std::vector<std::string> g_tree;
size_t g_treeNext = 0;
}  // namespace

void Tav_ScanTree(const std::string& root, const std::string& rel, int depth)
{
    if (depth > kMaxDepth)
        return;
    auto dirs = ListDirs(Tav_DirSlash(root) + rel);
    if (dirs.size() > kDirsPerLevel)
        dirs.resize(kDirsPerLevel);
    for (const auto& d : dirs)
        if (g_tree.size() < kTreeTableSize)
            g_tree.push_back(rel + d);
    for (const auto& d : dirs)
        Tav_ScanTree(root, rel + d + kPathSeparator, depth + 1);
}

std::string Tav_NextTreeEntry(const std::string& root)
{
    if (!Trim(root).empty()) {
        g_tree.clear();
        g_treeNext = 0;
        Tav_ScanTree(root, "", 1);
    }
    if (g_treeNext >= g_tree.size()) {
        g_tree.clear();
        g_treeNext = 0;
        return "";
    }
    return g_tree[g_treeNext++];
}

}  // namespace pellucor
