// The configuration interface that tests use to set up readers and cards.
#include "State.h"

#include <algorithm>
#include <stdexcept>

namespace pcscsim {
namespace {

using detail::Reader;
using detail::State;

std::unique_lock<std::mutex> locked(State& s) { return std::unique_lock<std::mutex>(s.mutex); }

}  // namespace

ReaderOptions pinPadReader() {
  ReaderOptions o;
  for (uint8_t tag :
       {FEATURE_VERIFY_PIN_START, FEATURE_VERIFY_PIN_FINISH, FEATURE_MODIFY_PIN_START, FEATURE_MODIFY_PIN_FINISH,
        FEATURE_GET_KEY_PRESSED, FEATURE_VERIFY_PIN_DIRECT, FEATURE_MODIFY_PIN_DIRECT, FEATURE_IFD_PIN_PROPERTIES})
    o.features[tag] = featureCode(tag);
  return o;
}

ReaderOptions plainReader() { return ReaderOptions(); }

void reset() {
  State& s = State::get();
  auto lock = locked(s);
  s.readers.clear();
  s.contexts.clear();
  s.handles.clear();
  s.calls.clear();
  s.transmits = 0;
  s.controls = 0;
  s.transmitFaults.clear();
  s.controlFaults.clear();
  s.serviceRunning = true;
  s.foreignFrees = 0;
  s.notify();
}

void addReader(const std::string& name, const ReaderOptions& options) {
  if (name.empty() || name.size() >= MAX_READERNAME)
    throw std::invalid_argument("pcscsim: reader names have 1 to " + std::to_string(MAX_READERNAME - 1) +
                                " characters");
  State& s = State::get();
  auto lock = locked(s);
  if (s.findReader(name))
    throw std::invalid_argument("pcscsim: reader '" + name + "' exists already");
  auto r = std::make_unique<Reader>();
  r->name = name;
  r->options = options;
  s.readers.push_back(std::move(r));
  s.notify();
}

void removeReader(const std::string& name) {
  State& s = State::get();
  auto lock = locked(s);
  s.readerOrThrow(name);
  s.readers.erase(std::remove_if(s.readers.begin(), s.readers.end(), [&](const auto& r) { return r->name == name; }),
                  s.readers.end());
  s.notify();
}

std::vector<std::string> readers() {
  State& s = State::get();
  auto lock = locked(s);
  std::vector<std::string> names;
  for (auto& r : s.readers)
    names.push_back(r->name);
  return names;
}

void insertCard(const std::string& reader, std::shared_ptr<cardsim::Card> card) {
  if (!card)
    throw std::invalid_argument("pcscsim: no card");
  State& s = State::get();
  auto lock = locked(s);
  Reader& r = s.readerOrThrow(reader);
  if (s.refresh(r))
    throw std::invalid_argument("pcscsim: reader '" + reader + "' holds a card already");
  r.card = std::move(card);
  r.card->insert();
  r.card->powerOn();
  s.refresh(r);
}

std::shared_ptr<cardsim::Card> removeCard(const std::string& reader) {
  State& s = State::get();
  auto lock = locked(s);
  Reader& r = s.readerOrThrow(reader);
  std::shared_ptr<cardsim::Card> card = std::move(r.card);
  r.card.reset();
  if (card)
    card->remove();
  s.refresh(r);
  return card;
}

std::shared_ptr<cardsim::Card> insertImage(const std::string& reader, const std::string& image) {
  std::shared_ptr<cardsim::Card> card(cardsim::Card::fromFile(cardsim::resolveImage(image), cardsim::defaultPkiDir()));
  insertCard(reader, card);
  return card;
}

std::shared_ptr<cardsim::Card> cardIn(const std::string& reader) {
  State& s = State::get();
  auto lock = locked(s);
  return s.readerOrThrow(reader).card;
}

void scriptKeys(const std::string& reader, const std::string& keys) {
  for (char k : keys)
    if (!pinpad::isScriptKey(k))
      throw std::invalid_argument(std::string("pcscsim: not a pin-pad key: code ") + std::to_string(int(k)));
  State& s = State::get();
  auto lock = locked(s);
  s.readerOrThrow(reader).keys += keys;
}

void clearKeys(const std::string& reader) {
  State& s = State::get();
  auto lock = locked(s);
  s.readerOrThrow(reader).keys.clear();
}

std::string pendingKeys(const std::string& reader) {
  State& s = State::get();
  auto lock = locked(s);
  return s.readerOrThrow(reader).keys;
}

void failTransmitAt(size_t n, LONG code) {
  if (n == 0)
    throw std::invalid_argument("pcscsim: calls are counted from 1");
  State& s = State::get();
  auto lock = locked(s);
  s.transmitFaults[n] = code;
}

void failControlAt(size_t n, LONG code) {
  if (n == 0)
    throw std::invalid_argument("pcscsim: calls are counted from 1");
  State& s = State::get();
  auto lock = locked(s);
  s.controlFaults[n] = code;
}

size_t transmitCount() {
  State& s = State::get();
  auto lock = locked(s);
  return s.transmits;
}

size_t controlCount() {
  State& s = State::get();
  auto lock = locked(s);
  return s.controls;
}

void setServiceRunning(bool running) {
  State& s = State::get();
  auto lock = locked(s);
  s.serviceRunning = running;
}

std::vector<Call> calls() {
  State& s = State::get();
  auto lock = locked(s);
  return s.calls;
}

void clearCalls() {
  State& s = State::get();
  auto lock = locked(s);
  s.calls.clear();
}

size_t openContexts() {
  State& s = State::get();
  auto lock = locked(s);
  return s.contexts.size();
}

size_t openHandles() {
  State& s = State::get();
  auto lock = locked(s);
  return s.handles.size();
}

size_t outstandingAllocations() {
  State& s = State::get();
  auto lock = locked(s);
  return s.allocations.size();
}

size_t foreignFrees() {
  State& s = State::get();
  auto lock = locked(s);
  return s.foreignFrees;
}

}  // namespace pcscsim
