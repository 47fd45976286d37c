#pragma once
// The game as its actors see it: the frame they are drawn in, the bars they
// stand at, and the rules they set off. The world implements it; the actors
// never reach into the world's own fields.

#include <cstdint>

namespace vilmar {

class ActorList;
class Customer;
class FrameBuffer;
class Mug;

inline constexpr int LANES = 4;

class Stage {
 public:
  virtual FrameBuffer* frame() = 0;
  // While frozen (after a miss or a cleared level) nothing walks or slides.
  virtual bool frozen() const = 0;
  // A guest reached the bartender's end or a mug broke: the game freezes,
  // and when it thaws the bartender loses a life.
  virtual void miss() = 0;
  // A served guest went out through the door and pays for the drink.
  virtual void guestLeaves() = 0;
  // A guest took a full mug off the bar, or put the empty one back.
  virtual void startDrinking(Customer& guest) = 0;
  virtual void stopDrinking(Customer& guest) = 0;
  // The mugs sliding on one bar, for the guests to reach for.
  virtual ActorList& mugsOn(int lane) = 0;
  virtual int bartenderLane() const = 0;
  // The bartender pushed a full mug off; the stage takes it over.
  virtual void launchMug(Mug* mug) = 0;

 protected:
  ~Stage() = default;
};

}  // namespace vilmar
