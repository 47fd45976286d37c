#include "frontends/web/WebLoop.h"

#include "app/App.h"
#include "ui/GameSpeed.h"

namespace vilmar::web {

void runWebLoop(App& app, PageEvents& page) {
  while (!app.quitting()) {
    if (page.hidden()) {
      page.waitUntilShown();
      if (app.gameSession) app.gameSession->resyncClock();
    }
    app.pass();
    if (app.gameSession) page.showTitle(windowTitle(app.gameSession->practice()));
    // At most one command per pass, as the Windows loop handles one message.
    if (const auto id = page.nextCommand()) app.menuCommand(*id);
    page.breathe();
  }
}

}  // namespace vilmar::web
