// SELECT, READ BINARY, READ RECORD, UPDATE BINARY and UPDATE RECORD.
#include "Engine.h"
#include "Util.h"

namespace cardsim {
namespace {

uint16_t fidAt(const Bytes& d, size_t i) { return static_cast<uint16_t>(d[i] << 8 | d[i + 1]); }

FileNode* findAid(FileNode* n, const Bytes& aid, bool partial) {
  if (n->isDF() && !n->aid.empty()) {
    if (n->aid == aid)
      return n;
    if (partial && aid.size() < n->aid.size() && std::equal(aid.begin(), aid.end(), n->aid.begin()))
      return n;
  }
  for (auto& c : n->children)
    if (FileNode* f = findAid(c.get(), aid, partial))
      return f;
  return nullptr;
}

}  // namespace

void Engine::makeCurrent(FileNode* f) {
  if (f->isDF()) {
    currentDf = f;
    currentEf = nullptr;
  } else {
    currentDf = f->parent;
    currentEf = f;
  }
}

Response Engine::selectAnswer(FileNode* f, uint8_t p2) {
  makeCurrent(f);
  switch (p2 & 0x0C) {
  case 0x0C: return Response::status(0x9000);
  case 0x04: return Response::ok(m_dialect->fcp(*this, *f));
  case 0x00: {  // FCI: the FCP objects inside a 6F template
    Bytes fcp = m_dialect->fcp(*this, *f);
    std::vector<Tlv> outer;
    Bytes inner;
    if (parseTlvList(fcp, outer) && outer.size() == 1)
      inner = outer[0].value;
    Bytes fci;
    appendTlv(fci, 0x6F, inner);
    return Response::ok(fci);
  }
  default: {  // FMD
    Bytes fmd;
    appendTlv(fmd, 0x64, Bytes());
    return Response::ok(fmd);
  }
  }
}

Response Engine::select(const Apdu& a) {
  if ((a.p2 & 0xF0) != 0 || (a.p2 & 0x03) == 0x01 || (a.p2 & 0x03) == 0x03)
    return Response::status(0x6A86);
  const Bytes& d = a.data;
  FileNode* mf = m_model->mf.get();
  FileNode* f = nullptr;
  switch (a.p1) {
  case 0x00:
    if (d.empty()) {
      f = mf;
      break;
    }
    if (d.size() != 2)
      return Response::status(0x6700);
    {
      uint16_t id = fidAt(d, 0);
      if (id == 0x3F00) {
        f = mf;
      } else if (id == 0x3FFF) {
        return Response::status(0x6A82);
      } else {
        f = currentDf->child(id);
        if (!f && currentDf->parent) {
          if (currentDf->parent->fid == id)
            f = currentDf->parent;
          else
            f = currentDf->parent->child(id);
        }
        if (!f && currentDf->fid == id)
          f = currentDf;
      }
    }
    break;
  case 0x01:
    if (d.size() != 2)
      return Response::status(0x6700);
    f = currentDf->childDf(fidAt(d, 0));
    break;
  case 0x02: {
    if (d.size() != 2)
      return Response::status(0x6700);
    FileNode* c = currentDf->child(fidAt(d, 0));
    f = c && !c->isDF() ? c : nullptr;
    break;
  }
  case 0x03:
    if (!d.empty())
      return Response::status(0x6700);
    if (!currentDf->parent)
      return Response::status(0x6A82);
    f = currentDf->parent;
    break;
  case 0x04:
    if (d.empty() || d.size() > 16)
      return Response::status(0x6700);
    if ((a.p2 & 0x03) == 0x02)
      return Response::status(0x6A82);  // only one application of each name
    f = findAid(mf, d, true);
    break;
  case 0x08:
  case 0x09: {
    if (d.empty() || d.size() % 2)
      return Response::status(0x6700);
    f = a.p1 == 0x08 ? mf : currentDf;
    size_t i = 0;
    if (a.p1 == 0x08 && fidAt(d, 0) == 0x3F00)
      i = 2;  // tolerated: path given with the MF
    for (; f && i < d.size(); i += 2) {
      uint16_t id = fidAt(d, i);
      if (!f->isDF()) {
        f = nullptr;
        break;
      }
      f = id == 0x3FFF ? f : f->child(id);
    }
    break;
  }
  default: return Response::status(0x6A86);
  }
  if (!f)
    return Response::status(0x6A82);
  return selectAnswer(f, a.p2);
}

static Response readTransparent(Engine& e, FileNode* f, size_t offset, const Apdu& a) {
  if (!f)
    return Response::status(0x6986);
  if (f->isDF() || f->isRecord())
    return Response::status(0x6981);
  if (!e.granted(f->read, f->parent))
    return Response::status(0x6982);
  if (offset > f->data.size() || (offset == f->data.size() && !f->data.empty()))
    return Response::status(0x6B00);
  size_t ne = a.hasLe ? a.ne : 0;
  if (ne == 0)
    return Response::status(0x6700);
  size_t n = std::min(ne, f->data.size() - offset);
  Response r =
      Response::ok(Bytes(f->data.begin() + static_cast<long>(offset), f->data.begin() + static_cast<long>(offset + n)));
  if (n < ne && !a.leWildcard)
    r.sw = 0x6282;
  if (n == 0)
    r.sw = 0x6282;
  return r;
}

Response Engine::readBinary(const Apdu& a) {
  if (!a.data.empty())
    return Response::status(0x6700);
  FileNode* f = currentEf;
  size_t offset;
  if (a.p1 & 0x80) {
    if (a.p1 & 0x60)
      return Response::status(0x6A86);
    uint8_t sfi = a.p1 & 0x1F;
    f = nullptr;
    for (auto& c : currentDf->children)
      if (!c->isDF() && c->sfi == sfi && sfi)
        f = c.get();
    if (!f)
      return Response::status(0x6A82);
    makeCurrent(f);
    offset = a.p2;
  } else {
    offset = static_cast<size_t>((a.p1 & 0x7F) << 8 | a.p2);
  }
  return readTransparent(*this, f, offset, a);
}

// READ BINARY with odd instruction: P1-P2 file identifier (0000 = current EF),
// data 54 L offset; the answer is wrapped in a 53 object.
Response Engine::readBinaryOdd(const Apdu& a) {
  std::vector<Tlv> t;
  if (!parseTlvList(a.data, t) || t.size() != 1 || t[0].tag != 0x54 || t[0].value.empty() || t[0].value.size() > 3)
    return Response::status(0x6A80);
  size_t offset = 0;
  for (uint8_t b : t[0].value)
    offset = offset << 8 | b;
  FileNode* f = currentEf;
  uint16_t id = a.p1p2();
  if (id != 0x0000) {
    f = currentDf->child(id);
    if (!f || f->isDF())
      return Response::status(0x6A82);
    makeCurrent(f);
  }
  Apdu inner = a;
  if (inner.hasLe && inner.ne > 4)
    inner.ne -= 4;  // room for the 53 header
  Response r = readTransparent(*this, f, offset, inner);
  if (r.sw != 0x9000 && r.sw != 0x6282)
    return r;
  Bytes wrapped;
  appendTlv(wrapped, 0x53, r.data);
  r.data = wrapped;
  return r;
}

Response Engine::readRecord(const Apdu& a) {
  if (!a.data.empty())
    return Response::status(0x6700);
  FileNode* f = currentEf;
  uint8_t sfi = a.p2 >> 3;
  if (sfi == 0x1F)
    return Response::status(0x6A86);
  if (sfi) {
    f = nullptr;
    for (auto& c : currentDf->children)
      if (!c->isDF() && c->sfi == sfi)
        f = c.get();
    if (!f)
      return Response::status(0x6A82);
    makeCurrent(f);
  }
  if (!f)
    return Response::status(0x6986);
  if (!f->isRecord())
    return Response::status(0x6981);
  if (!granted(f->read, f->parent))
    return Response::status(0x6982);
  const uint8_t mode = a.p2 & 0x07;
  if (mode != 0x04)
    return Response::status(0x6A86);  // only "record number in P1"
  if (a.p1 == 0 || a.p1 == 0xFF)
    return Response::status(0x6A86);
  if (a.p1 > f->records.size())
    return Response::status(0x6A83);
  const Bytes& rec = f->records[a.p1 - 1];
  size_t ne = a.hasLe ? a.ne : 0;
  if (ne == 0)
    return Response::status(0x6700);
  Response r = Response::ok(rec);
  if (rec.size() > ne) {
    r.data.resize(ne);
    r.sw = 0x6282;
  }
  return r;
}

Response Engine::updateBinary(const Apdu& a) {
  if (a.data.empty())
    return Response::status(0x6700);
  FileNode* f = currentEf;
  size_t offset;
  if (a.p1 & 0x80) {
    if (a.p1 & 0x60)
      return Response::status(0x6A86);
    uint8_t sfi = a.p1 & 0x1F;
    f = nullptr;
    for (auto& c : currentDf->children)
      if (!c->isDF() && c->sfi == sfi && sfi)
        f = c.get();
    if (!f)
      return Response::status(0x6A82);
    makeCurrent(f);
    offset = a.p2;
  } else {
    offset = static_cast<size_t>((a.p1 & 0x7F) << 8 | a.p2);
  }
  if (!f)
    return Response::status(0x6986);
  if (f->isRecord())
    return Response::status(0x6981);
  if (!granted(f->update, f->parent))
    return Response::status(0x6982);
  if (offset > f->data.size())
    return Response::status(0x6B00);
  if (offset + a.data.size() > f->data.size())
    return Response::status(0x6A84);
  std::copy(a.data.begin(), a.data.end(), f->data.begin() + static_cast<long>(offset));
  return Response::status(0x9000);
}

Response Engine::updateRecord(const Apdu& a) {
  if (a.data.empty())
    return Response::status(0x6700);
  FileNode* f = currentEf;
  if (!f)
    return Response::status(0x6986);
  if (!f->isRecord())
    return Response::status(0x6981);
  if ((a.p2 & 0x07) != 0x04 || (a.p2 >> 3) != 0 || a.p1 == 0)
    return Response::status(0x6A86);
  if (!granted(f->update, f->parent))
    return Response::status(0x6982);
  if (a.p1 > f->records.size())
    return Response::status(0x6A83);
  Bytes& rec = f->records[a.p1 - 1];
  if (f->type != FileType::LinearVariable && a.data.size() != rec.size())
    return Response::status(0x6700);
  rec = a.data;
  return Response::status(0x9000);
}

}  // namespace cardsim
