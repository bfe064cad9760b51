#include "Model.h"

#include <cstdio>

#include "Util.h"

namespace cardsim {

FileNode* FileNode::child(uint16_t id) const {
  for (auto& c : children)
    if (c->fid == id)
      return c.get();
  return nullptr;
}

FileNode* FileNode::childDf(uint16_t id) const {
  FileNode* c = child(id);
  return c && c->isDF() ? c : nullptr;
}

std::string FileNode::path() const {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", fid);
  return parent ? parent->path() + "/" + buf : std::string(buf);
}

FileNode* findPath(FileNode* mf, const std::string& path) {
  Bytes b;
  try {
    b = fromHex(path);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (b.size() < 2 || b.size() % 2 || b[0] != 0x3F || b[1] != 0x00)
    return nullptr;
  FileNode* n = mf;
  for (size_t i = 2; n && i < b.size(); i += 2)
    n = n->child(static_cast<uint16_t>(b[i] << 8 | b[i + 1]));
  return n;
}

}  // namespace cardsim
