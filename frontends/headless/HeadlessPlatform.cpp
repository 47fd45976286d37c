#include "frontends/headless/HeadlessPlatform.h"

#include <fstream>
#include <iterator>

#include "net/Windows1252.h"
#include "platform/UnavailableTransport.h"
#include "resources/CompiledResources.h"
#include "platform/Dialog.h"

namespace vilmar {

namespace {

class RecordingView : public DialogView {
 public:
  explicit RecordingView(DialogRecord& record) : record_(record) {}
  void setCaption(std::string_view text) override { record_.caption = text; }
  void setItemText(int id, std::string_view text) override { record_.items[id] = text; }
  std::string itemText(int id, std::size_t maxChars) override {
    return std::string(utf8Prefix(record_.items[id], maxChars));
  }
  void end() override { ended = true; }
  void focus(int id) override { record_.focusedItem = id; }
  bool ended = false;

 private:
  DialogRecord& record_;
};

}  // namespace

HeadlessPlatform::HeadlessPlatform(std::uint32_t clockStart)
    : now(clockStart), http_(std::make_unique<UnavailableTransport>("Ingen nätverksförbindelse i simulatorn")) {}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::beginPass() {
  sounds.clear();
  dialogs.clear();
  pages.clear();
}

void HeadlessPlatform::setResource(ResourceType type, int id, std::vector<std::uint8_t> bytes) {
  resources_[{static_cast<int>(type), id}] = std::move(bytes);
}

std::span<const std::uint8_t> HeadlessPlatform::resource(ResourceType type, int id) {
  if (auto it = resources_.find({static_cast<int>(type), id}); it != resources_.end()) return it->second;
  return useCompiled_ ? compiledResource(type, id) : std::span<const std::uint8_t>{};
}

void HeadlessPlatform::present(std::span<const std::uint8_t> pixels, int, int, const Palette& p) {
  frame.assign(pixels.begin(), pixels.end());
  palette = p;
  ++presentCount;
}

// Every dialog is answered at once: the question with "Nej", the others
// with their way out ("OK" for the information, "Avbryt" for the sign-in);
// with sign-in entries the question with "Ja" and the sign-in with OK first.
void HeadlessPlatform::runDialog(Dialog& dialog) {
  dialogs.push_back(DialogRecord{dialog.templateId(), {}, {}});
  DialogRecord& record = dialogs.back();
  RecordingView view(record);
  dialog.init(view);
  const int id = dialog.templateId();
  if (!view.ended && signIn && id == DIALOG_QUESTION) dialog.command(ID_OK, view);
  if (!view.ended && signIn && id == DIALOG_SIGN_IN) {
    record.items[ID_EMAIL] = signIn->email;
    record.items[ID_PASSWORD] = signIn->password;
    dialog.command(ID_OK, view);
  }
  if (!view.ended) dialog.command(id == DIALOG_INFO ? ID_OK : ID_CANCEL, view);
  // What was typed as the password is kept nowhere.
  record.items.erase(ID_PASSWORD);
}

void HeadlessPlatform::useTransport(std::unique_ptr<HttpTransport> transport) {
  if (transport) http_ = std::move(transport);
}

HttpTransport& HeadlessPlatform::http() { return *http_; }

std::uint32_t HeadlessPlatform::secondsOfDay() {
  wallMs_ += 1;  // every look at the wall clock takes a virtual millisecond
  return static_cast<std::uint32_t>((wallMs_ / 1000) % 86400);
}

bool HeadlessPlatform::readProgramFile(std::string& bytes) {
  bytes.clear();
  if (programFile.empty()) return false;
  std::ifstream in(programFile, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.good() || in.eof();
}

}  // namespace vilmar
