#pragma once
#include <cstdint>

#include "actors/ListItem.h"

namespace vilmar {

class FrameBuffer;
class Sprite;

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

}  // namespace vilmar
