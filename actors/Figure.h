#pragma once
#include <cstdint>

namespace vilmar {

class FrameBuffer;
class InputDevice;
class Sprite;

// Anything an actor list can hold. Lists share ownership: listCount says how
// many hold the item, and the last one to let go of a removed item deletes it.
class ListItem {
 public:
  virtual ~ListItem() = default;
  bool removed = false;
  std::int32_t listCount = 0;
};

// One picture drawn centred on a floating-point position.
class Figure : public ListItem {
 public:
  Figure(const Sprite* picture, FrameBuffer* target);
  virtual void draw();

  void setPicture(const Sprite* sprite);
  void setPosition(float px, float py, float pz) {
    x = px;
    y = py;
    z = pz;
  }
  void moveBy(float dx, float dy, float dz) {
    x += dx;
    y += dy;
    z += dz;
  }

  FrameBuffer* target;
  const Sprite* picture = nullptr;
  float x = 100.0f, y = 100.0f, z = 0.0f;
  float ax = 0.0f, ay = 0.0f, az = 0.0f;
  bool visible = true;
};

// A figure the world drives once per tick: step is motion, animation and
// input; interact is the rules and runs also while the world is frozen.
class Actor : public Figure {
 public:
  using Figure::Figure;
  // A blinking actor is drawn on every second frame only.
  void draw() override;
  virtual void step() = 0;
  virtual void interact() = 0;

  InputDevice* input = nullptr;
  bool blinking = false;
  bool blinkPhase = false;
};

}  // namespace vilmar
