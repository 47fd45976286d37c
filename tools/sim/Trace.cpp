#include "tools/sim/Trace.h"

#include <charconv>
#include <cstdio>

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "app/App.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "platform/Dialog.h"

namespace vilmar {

std::uint64_t fnv1a64(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

namespace {

class Json {
 public:
  Json& key(const char* k) {
    comma();
    out_ += '"';
    out_ += k;
    out_ += "\":";
    fresh_ = true;
    return *this;
  }
  Json& num(std::int32_t v) { return num(static_cast<std::int64_t>(v)); }
  Json& num(std::int64_t v) {
    comma();
    out_ += std::to_string(v);
    return *this;
  }
  // The shortest text that reads back to the same float.
  Json& num(float v) {
    comma();
    char buf[32];
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    return *this;
  }
  Json& boolean(bool v) {
    comma();
    out_ += v ? "true" : "false";
    return *this;
  }
  Json& raw(const std::string& text) {
    comma();
    out_ += text;
    return *this;
  }
  Json& open(char c) {
    comma();
    out_ += c;
    fresh_ = true;
    return *this;
  }
  Json& close(char c) {
    out_ += c;
    fresh_ = false;
    return *this;
  }
  const std::string& text() const { return out_; }

 private:
  void comma() {
    if (!fresh_ && !out_.empty()) out_ += ',';
    fresh_ = false;
  }
  std::string out_;
  bool fresh_ = true;
};

// A JSON string; bytes from 0x80 up pass as they are (the texts are UTF-8).
std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + '"';
}

}  // namespace

std::string traceLine(std::uint64_t pass, const App& app, const HeadlessPlatform& platform) {
  Json j;
  j.open('{');
  j.key("pass").num(static_cast<std::int64_t>(pass));
  const GameSession* session = app.gameSession.get();
  if (session == nullptr) {
    j.key("quit").boolean(true);
    return j.close('}').text();
  }
  const BarGame& world = *session->world;
  j.key("tick").num(static_cast<std::int64_t>(session->lastTick));
  j.key("drawn").boolean(session->lastTickDrew);
  // The virtual clock when the tick ran: one tick's length apart (40 ms, or
  // 53 and 80 in a practice game).
  j.key("ms").num(static_cast<std::int64_t>(platform.now - session->clockStart));
  if (session->practice()) j.key("practice").boolean(true);
  j.key("level").num(world.level().get());
  j.key("score").num(world.score().get());
  j.key("lives").num(world.lives().get());
  j.key("freeze").num(world.freezeTicks());
  j.key("gameOver").boolean(world.gameOver());
  j.key("sounds").open('[');
  for (int id : platform.sounds) j.num(id);
  j.close(']');
  j.key("dialogs").open('[');
  for (const DialogRecord& d : platform.dialogs) j.num(d.templateId);
  j.close(']');
  for (const DialogRecord& d : platform.dialogs) {
    if (d.templateId != DIALOG_SIGN_IN) continue;
    const auto button = d.items.find(ID_OK);
    j.key("signin").open('{');
    j.key("caption").raw(jsonString(d.caption));
    j.key("button").raw(jsonString(button == d.items.end() ? "OK" : button->second));
    j.key("pages").open('[');
    for (const std::string& page : platform.pages) j.raw(jsonString(page));
    j.close(']');
    j.key("result").num(app.submission.resultCode);
    j.key("version").num(app.submission.versionCode);
    j.close('}');
    break;
  }

  const Bartender& b = world.bartender();
  j.key("bartender").open('{');
  j.key("lane").num(b.lane).key("x").num(b.x).key("y").num(b.y).key("picture").num(b.picture->resourceId());
  j.close('}');

  j.key("mugs").open('[');
  world.allActors().forEach([&](const ListItem* item) {
    if (const auto* m = dynamic_cast<const Mug*>(item)) {
      j.open('{');
      j.key("lane").num(m->lane).key("x").num(m->x).key("y").num(m->y);
      j.key("empty").boolean(m->empty).key("held").boolean(m->held).key("falling").boolean(m->falling);
      j.key("broken").boolean(m->broken).key("visible").boolean(m->visible);
      j.close('}');
    }
  });
  j.close(']');
  j.key("customers").open('[');
  world.allActors().forEach([&](const ListItem* item) {
    if (const auto* c = dynamic_cast<const Customer*>(item)) {
      j.open('{');
      j.key("lane").num(c->lane).key("x").num(c->x).key("y").num(c->y).key("kind").num(c->kind);
      j.key("drinking").boolean(c->mug != nullptr).key("blinking").boolean(c->blinking);
      j.close('}');
    }
  });
  j.close(']');

  j.key("frame");
  if (session->lastTickDrew) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "\"%016llx\"", static_cast<unsigned long long>(fnv1a64(world.frameBuffer().pixels())));
    j.raw(hex);
  } else {
    j.raw("null");
  }
  return j.close('}').text();
}

}  // namespace vilmar
