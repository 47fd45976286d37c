#include "world/WorldHash.h"

#include <cstring>

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "gfx/Sprite.h"
#include "input/InputDevice.h"
#include "world/BarGame.h"

namespace vilmar {

namespace {

// FNV-1a over the values as little-endian bytes, the same on every target.
class Digest {
 public:
  Digest& add(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  Digest& add(std::int32_t v) { return add(static_cast<std::uint32_t>(v)); }
  Digest& add(bool v) { return byte(v ? 1 : 0); }
  Digest& add(float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);  // the exact bits (the browser's library has no bit_cast)
    return add(bits);
  }
  std::uint64_t value() const { return h_; }

 private:
  Digest& byte(std::uint8_t b) {
    h_ ^= b;
    h_ *= 0x100000001b3ull;
    return *this;
  }
  std::uint64_t h_ = 0xcbf29ce484222325ull;
};

void addFigure(Digest& d, const Actor& a) {
  d.add(a.removed).add(a.x).add(a.y).add(a.z).add(a.visible).add(a.blinking);
  d.add(static_cast<std::int32_t>(a.picture != nullptr ? a.picture->resourceId() : 0));
}

}  // namespace

std::uint64_t worldHash(const BarGame& w) {
  Digest d;
  d.add(w.gameOver()).add(w.level().get()).add(w.score().get()).add(w.lives().get()).add(w.extraLives().get());
  d.add(w.freezeTicks());

  const Bartender& b = w.bartender();
  addFigure(d, b);
  d.add(b.lane).add(b.serving).add(b.serveStep).add(b.launchLane).add(b.missed).add(b.barCleared);
  if (const InputDevice* in = b.input) d.add(in->fireHeld).add(in->fireEvent).add(in->verticalHeld).add(in->verticalEvent);

  w.allActors().forEach([&](const ListItem* item) {
    if (const auto* m = dynamic_cast<const Mug*>(item)) {
      d.add(std::int32_t{1});
      addFigure(d, *m);
      d.add(m->lane).add(m->empty).add(m->held).add(m->falling).add(m->fallTicks).add(m->broken).add(m->missReported);
    } else if (const auto* c = dynamic_cast<const Customer*>(item)) {
      d.add(std::int32_t{2});
      addFigure(d, *c);
      d.add(c->lane).add(c->kind).add(c->animStep).add(c->walkFrame).add(c->drinkTicks).add(c->mug != nullptr);
    }
  });
  for (std::size_t lane = 0; lane < LANES; ++lane) {
    d.add(w.waitingCustomers(lane).count()).add(w.drinkingCustomers(lane).count()).add(w.mugs(lane).count());
  }
  return d.value();
}

}  // namespace vilmar
