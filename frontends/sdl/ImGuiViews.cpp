#include "frontends/sdl/ImGuiViews.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>
#include <string>

#include "app/MenuLayout.h"
#include "frontends/sdl/DialogState.h"

namespace vilmar::sdl {

namespace {

constexpr float FONT_PX = 13.0f;
constexpr float PAD_Y = 3.0f;
// Dialog units, as Windows measures them: a quarter of the font's average
// letter width across, an eighth of its height down. The templates then fit
// whatever font is installed.
ImVec2 dialogUnit() {
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const float average = ImGui::CalcTextSize(letters).x / 52.0f;
  return ImVec2(average / 4.0f, (ImGui::GetFontSize() + 2.0f) / 8.0f);
}

// Fonts from Debian packages that cover å, ä and ö; ImGui's own font with
// its Latin-1 range when none is installed.
constexpr const char* FONT_FILES[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
};

ImVec4 grey(float v) { return ImVec4(v, v, v, 1.0f); }

// "text###id": the label may change while the control stays the same.
std::string label(std::string_view text, int id) {
  std::string out(text);
  out += "###c";
  out += std::to_string(id);
  return out;
}

// The dialogs' fonts, largest first: a dialog too large for the window at
// the first size is drawn with the next, and so on.
constexpr float FONT_STEPS[] = {1.0f, 12.0f / 13.0f, 11.0f / 13.0f, 10.0f / 13.0f, 9.0f / 13.0f};
std::vector<ImFont*> dialogFonts;

// Latin-1, and the dashes, the ellipsis and the minus sign of the settings
// ("Inställningar…", "Volym −").
constexpr ImWchar TEXT_GLYPHS[] = {0x0020, 0x00FF, 0x2010, 0x2027, 0x2212, 0x2212, 0};

ImFont* loadFont(float px) {
  ImGuiIO& io = ImGui::GetIO();
  for (const char* file : FONT_FILES) {
    if (std::FILE* f = std::fopen(file, "rb")) {
      std::fclose(f);
      if (ImFont* font = io.Fonts->AddFontFromFileTTF(file, px, nullptr, TEXT_GLYPHS))
        return font;
    }
  }
  ImFontConfig config;
  config.SizePixels = px;
  config.GlyphRanges = io.Fonts->GetGlyphRangesDefault();  // Basic Latin and Latin-1
  return io.Fonts->AddFontDefault(&config);
}

}  // namespace

void setUpClassicLook(int ui) {
  ImGuiIO& io = ImGui::GetIO();
  dialogFonts.clear();
  for (const float step : FONT_STEPS) dialogFonts.push_back(loadFont(std::round(FONT_PX * step * static_cast<float>(ui))));
  io.FontDefault = dialogFonts.front();

  ImGuiStyle& style = ImGui::GetStyle();
  style = ImGuiStyle();
  style.WindowRounding = style.ChildRounding = style.FrameRounding = style.PopupRounding = 0.0f;
  style.ScrollbarRounding = style.GrabRounding = style.TabRounding = 0.0f;
  style.WindowBorderSize = style.FrameBorderSize = style.PopupBorderSize = 1.0f;
  style.DisplaySafeAreaPadding = ImVec2(0, 0);
  style.WindowPadding = ImVec2(6, 6);
  style.FramePadding = ImVec2(6, PAD_Y);
  style.ItemSpacing = ImVec2(8, 4);
  style.WindowTitleAlign = ImVec2(0.0f, 0.5f);
  style.ScaleAllSizes(static_cast<float>(ui));

  ImVec4* c = style.Colors;
  c[ImGuiCol_Text] = grey(0.0f);
  c[ImGuiCol_TextDisabled] = grey(0.5f);
  c[ImGuiCol_WindowBg] = grey(0.75f);
  c[ImGuiCol_ChildBg] = grey(1.0f);
  c[ImGuiCol_PopupBg] = grey(0.83f);
  c[ImGuiCol_Border] = grey(0.25f);
  c[ImGuiCol_BorderShadow] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_FrameBg] = grey(1.0f);
  c[ImGuiCol_FrameBgHovered] = grey(1.0f);
  c[ImGuiCol_FrameBgActive] = grey(1.0f);
  c[ImGuiCol_TitleBg] = ImVec4(0.62f, 0.66f, 0.80f, 1.0f);
  c[ImGuiCol_TitleBgActive] = ImVec4(0.62f, 0.66f, 0.80f, 1.0f);
  c[ImGuiCol_TitleBgCollapsed] = grey(0.75f);
  c[ImGuiCol_MenuBarBg] = grey(0.83f);
  c[ImGuiCol_ScrollbarBg] = grey(0.88f);
  c[ImGuiCol_ScrollbarGrab] = grey(0.70f);
  c[ImGuiCol_ScrollbarGrabHovered] = grey(0.62f);
  c[ImGuiCol_ScrollbarGrabActive] = grey(0.55f);
  c[ImGuiCol_Button] = grey(0.78f);
  c[ImGuiCol_ButtonHovered] = grey(0.86f);
  c[ImGuiCol_ButtonActive] = grey(0.62f);
  c[ImGuiCol_Header] = ImVec4(0.62f, 0.72f, 0.92f, 1.0f);
  c[ImGuiCol_HeaderHovered] = ImVec4(0.62f, 0.72f, 0.92f, 1.0f);
  c[ImGuiCol_HeaderActive] = ImVec4(0.55f, 0.65f, 0.88f, 1.0f);
  c[ImGuiCol_Separator] = grey(0.5f);
  c[ImGuiCol_TextSelectedBg] = ImVec4(0.62f, 0.72f, 0.92f, 1.0f);
  c[ImGuiCol_NavHighlight] = grey(0.0f);
  c[ImGuiCol_ModalWindowDimBg] = ImVec4(0, 0, 0, 0.35f);
}


int menuBarHeight(int ui) { return static_cast<int>((FONT_PX + 2 * PAD_Y) * static_cast<float>(ui)); }

namespace {

// Where the titles and the open menu's items went in the last drawing, for
// the pointer's hits.
struct Box {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool contains(float x, float y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};
std::vector<Box> titleBoxes;
std::vector<Box> itemBoxes;
Box menuBox;

constexpr ImU32 BLACK = IM_COL32(0, 0, 0, 255);
constexpr ImU32 WHITE = IM_COL32(255, 255, 255, 255);
constexpr ImU32 NAVY = IM_COL32(0, 0, 128, 255);
constexpr ImU32 GREYED = IM_COL32(128, 128, 128, 255);

// The dotted frame a desktop draws round the control that has the focus.
void dottedRect(ImDrawList* draw, ImVec2 a, ImVec2 b, ImU32 colour) {
  a = ImVec2(std::floor(a.x), std::floor(a.y));
  b = ImVec2(std::floor(b.x), std::floor(b.y));
  for (float x = a.x; x < b.x; x += 2) {
    draw->AddRectFilled(ImVec2(x, a.y), ImVec2(x + 1, a.y + 1), colour);
    draw->AddRectFilled(ImVec2(x, b.y - 1), ImVec2(x + 1, b.y), colour);
  }
  for (float y = a.y; y < b.y; y += 2) {
    draw->AddRectFilled(ImVec2(a.x, y), ImVec2(a.x + 1, y + 1), colour);
    draw->AddRectFilled(ImVec2(b.x - 1, y), ImVec2(b.x, y + 1), colour);
  }
}

}  // namespace

void drawMenuBar(const MenuBarState& state, bool enabled, int ui) {
  const float s = static_cast<float>(ui);
  const ImGuiIO& io = ImGui::GetIO();
  ImFont* font = ImGui::GetFont();
  const float size = ImGui::GetFontSize();
  const float barHeight = static_cast<float>(menuBarHeight(ui));
  ImDrawList* bar = ImGui::GetBackgroundDrawList();
  bar->AddRectFilled(ImVec2(0, 0), ImVec2(io.DisplaySize.x, barHeight), ImGui::GetColorU32(ImGuiCol_MenuBarBg));

  titleBoxes.clear();
  float x = 4 * s;
  for (std::size_t m = 0; m < MENU_BAR.size(); ++m) {
    const std::string title(MENU_BAR[m].title);
    const float w = ImGui::CalcTextSize(title.c_str()).x + 16 * s;
    const Box box{x, 0, x + w, barHeight};
    titleBoxes.push_back(box);
    const int index = static_cast<int>(m);
    const bool lit = enabled && state.litMenu() == index;
    ImU32 text = enabled ? BLACK : GREYED;
    if (lit) {
      bar->AddRectFilled(ImVec2(box.x0, box.y0), ImVec2(box.x1, box.y1), NAVY);
      text = WHITE;
    } else if (enabled && state.hotMenu() == index) {
      // The pointer passing over a title lifts it.
      bar->AddRect(ImVec2(box.x0, box.y0 + 1), ImVec2(box.x1, box.y1 - 1), IM_COL32(128, 128, 128, 255));
      bar->AddLine(ImVec2(box.x0, box.y0 + 1), ImVec2(box.x1 - 1, box.y0 + 1), WHITE);
      bar->AddLine(ImVec2(box.x0, box.y0 + 1), ImVec2(box.x0, box.y1 - 1), WHITE);
    }
    bar->AddText(font, size, ImVec2(x + 8 * s, (barHeight - size) * 0.5f), text, title.c_str());
    x += w;
  }

  itemBoxes.clear();
  menuBox = Box{};
  if (!enabled || !state.isOpen() || state.litMenu() < 0) return;
  const MenuPopup& popup = MENU_BAR[static_cast<std::size_t>(state.litMenu())];
  const Box& title = titleBoxes[static_cast<std::size_t>(state.litMenu())];
  float width = 0;
  for (const MenuItem& item : popup.items)
    width = std::max(width, ImGui::CalcTextSize(std::string(item.text).c_str()).x);
  width += 40 * s;
  const float itemHeight = 17 * s;
  const float pad = 3 * s;
  const float left = std::min(title.x0, std::max(0.0f, io.DisplaySize.x - width));
  menuBox = Box{left, barHeight, left + width, barHeight + 2 * pad + itemHeight * static_cast<float>(popup.items.size())};
  ImDrawList* menu = ImGui::GetForegroundDrawList();
  menu->AddRectFilled(ImVec2(menuBox.x0, menuBox.y0), ImVec2(menuBox.x1, menuBox.y1), ImGui::GetColorU32(ImGuiCol_MenuBarBg));
  menu->AddRect(ImVec2(menuBox.x0, menuBox.y0), ImVec2(menuBox.x1, menuBox.y1), IM_COL32(64, 64, 64, 255));
  for (std::size_t i = 0; i < popup.items.size(); ++i) {
    const float top = barHeight + pad + itemHeight * static_cast<float>(i);
    const Box box{left + 2 * s, top, left + width - 2 * s, top + itemHeight};
    itemBoxes.push_back(box);
    const bool lit = state.litItem() == static_cast<int>(i);
    if (lit) menu->AddRectFilled(ImVec2(box.x0, box.y0), ImVec2(box.x1, box.y1), NAVY);
    menu->AddText(font, size, ImVec2(left + 18 * s, top + (itemHeight - size) * 0.5f), lit ? WHITE : BLACK,
                  std::string(popup.items[i].text).c_str());
  }
}

std::pair<int, int> menuTarget(float x, float y) {
  for (std::size_t i = 0; i < titleBoxes.size(); ++i)
    if (titleBoxes[i].contains(x, y)) return {static_cast<int>(i), MenuBarState::NONE};
  for (std::size_t i = 0; i < itemBoxes.size(); ++i)
    if (itemBoxes[i].contains(x, y)) return {MenuBarState::NONE, static_cast<int>(i)};
  return {MenuBarState::NONE, MenuBarState::NONE};
}

bool overOpenMenu(float x, float y) { return menuBox.contains(x, y); }

std::optional<int> drawDialog(DialogState& dialog, int ui) {
  const DialogTemplate& layout = dialog.layout();
  const float s = static_cast<float>(ui);
  const ImGuiIO& io = ImGui::GetIO();
  std::optional<int> command;

  // The largest of the fonts at which the whole dialog fits the window: a
  // small window gets smaller letters, never a cut dialog.
  ImVec2 unit;
  ImVec2 size;
  float titleHeight = 0;
  std::size_t fontIndex = 0;
  for (; fontIndex < dialogFonts.size(); ++fontIndex) {
    ImGui::PushFont(dialogFonts[fontIndex]);
    unit = dialogUnit();
    titleHeight = ImGui::GetFontSize() + ImGui::GetStyle().FramePadding.y * 2;
    size = ImVec2(std::round(static_cast<float>(layout.w) * unit.x),
                  std::round(static_cast<float>(layout.h) * unit.y + titleHeight));
    ImGui::PopFont();
    if (size.x <= io.DisplaySize.x && size.y <= io.DisplaySize.y) break;
  }
  fontIndex = std::min(fontIndex, dialogFonts.size() - 1);
  ImGui::PushFont(dialogFonts[fontIndex]);

  ImGui::SetNextWindowSize(size, ImGuiCond_Always);
  ImGui::SetNextWindowPos(ImVec2(std::floor(io.DisplaySize.x * 0.5f), std::floor(io.DisplaySize.y * 0.5f)),
                          ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowFocus();
  bool open = true;
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                                 ImGuiWindowFlags_NoScrollWithMouse;
  const std::string title = dialog.caption() + "###dialog";
  ImGui::Begin(title.c_str(), layout.closeBox ? &open : nullptr, flags);
  if (!open && !dialog.busy) command = ID_CANCEL;

  DialogFocus& keys = dialog.keys();
  const bool focusMoved = dialog.takeFocusMoved() && !dialog.busy;
  // Focus on a button or the text: no entry keeps the caret.
  if (focusMoved && keys.focusedKind() != StopKind::Entry) ImGui::ClearActiveID();
  if (dialog.busy) ImGui::BeginDisabled();
  ImDrawList* draw = ImGui::GetWindowDrawList();
  for (const ControlTemplate& c : layout.controls) {
    const ImVec2 at(std::round(static_cast<float>(c.x) * unit.x),
                    std::round(static_cast<float>(c.y) * unit.y + titleHeight));
    const ImVec2 box(std::round(static_cast<float>(c.w) * unit.x), std::round(static_cast<float>(c.h) * unit.y));
    const bool focused = keys.focused() == c.id;
    ImGui::SetCursorPos(at);
    switch (c.kind) {
      case ControlKind::DefaultButton:
      case ControlKind::Button: {
        // The default button wears the thick frame: the focused button, or
        // the dialog's own default while an entry has the focus.
        const bool isDefault = keys.defaultButton() == c.id;
        if (isDefault) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f * s);
        if (ImGui::Button(label(dialog.text(c.id), c.id).c_str(), box)) command = c.id;
        if (isDefault) ImGui::PopStyleVar();
        if (ImGui::IsItemActivated()) keys.focus(c.id);
        if (focused) {
          const float inset = 4 * s;
          dottedRect(draw, ImVec2(ImGui::GetItemRectMin().x + inset, ImGui::GetItemRectMin().y + inset),
                     ImVec2(ImGui::GetItemRectMax().x - inset, ImGui::GetItemRectMax().y - inset), BLACK);
        }
        break;
      }
      case ControlKind::Group: {
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        const float half = std::round(ImGui::GetFontSize() * 0.5f);
        // The frame's bottom line lies inside the box, so the next control
        // never covers it.
        draw->AddRect(ImVec2(origin.x, origin.y + half), ImVec2(origin.x + box.x, origin.y + box.y),
                      IM_COL32(96, 96, 96, 255));
        // The label sits on the frame's top line, which it hides.
        ImGui::SetCursorPos(ImVec2(at.x + 6 * s, at.y));
        const std::string text(c.text);
        const ImVec2 textSize = ImGui::CalcTextSize(text.c_str());
        const ImVec2 textAt = ImGui::GetCursorScreenPos();
        draw->AddRectFilled(ImVec2(textAt.x - 2 * s, textAt.y), ImVec2(textAt.x + textSize.x + 2 * s, textAt.y + textSize.y),
                            ImGui::GetColorU32(ImGuiCol_WindowBg));
        ImGui::TextUnformatted(text.c_str());
        break;
      }
      case ControlKind::Edit:
      case ControlKind::Password: {
        DialogState::EditBuffer* buffer = dialog.edit(c.id);
        if (buffer == nullptr) break;
        if (focused && focusMoved) ImGui::SetKeyboardFocusHere();
        ImGui::SetNextItemWidth(box.x);
        const ImGuiInputTextFlags editFlags =
            c.kind == ControlKind::Password ? ImGuiInputTextFlags_Password : ImGuiInputTextFlags_None;
        ImGui::InputText(label("", c.id).c_str(), buffer->data(), buffer->size(), editFlags);
        if (ImGui::IsItemActivated()) keys.focus(c.id);
        break;
      }
      case ControlKind::TextLine: {
        ImGui::PushTextWrapPos(at.x + box.x);
        ImGui::TextUnformatted(std::string(dialog.text(c.id)).c_str());
        ImGui::PopTextWrapPos();
        break;
      }
      case ControlKind::TextBox: {
        // Black on white inside a light grey, sunken box that scrolls.
        ImGui::PushStyleColor(ImGuiCol_ChildBg, grey(0.75f));
        ImGui::BeginChild(label("", c.id).c_str(), box, true);
        ImGui::PushStyleColor(ImGuiCol_ChildBg, grey(1.0f));
        ImGui::BeginChild("text", ImVec2(0, 0), false);
        ImGui::PushTextWrapPos(0.0f);
        ImGui::TextUnformatted(std::string(dialog.text(c.id)).c_str());
        ImGui::PopTextWrapPos();
        if (focused && !dialog.busy) {
          // With the focus, the arrows and the page keys scroll the text.
          const float line = ImGui::GetTextLineHeightWithSpacing();
          const float page = ImGui::GetWindowHeight() - line;
          float y = ImGui::GetScrollY();
          if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_DownArrow))) y += line;
          if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_UpArrow))) y -= line;
          if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_PageDown))) y += page;
          if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_PageUp))) y -= page;
          if (y != ImGui::GetScrollY()) ImGui::SetScrollY(std::clamp(y, 0.0f, ImGui::GetScrollMaxY()));
        }
        ImGui::EndChild();
        ImGui::PopStyleColor();
        if (focused) {
          const float inset = 2 * s;
          dottedRect(draw, ImVec2(ImGui::GetItemRectMin().x + inset, ImGui::GetItemRectMin().y + inset),
                     ImVec2(ImGui::GetItemRectMax().x - inset, ImGui::GetItemRectMax().y - inset), BLACK);
        }
        ImGui::EndChild();
        ImGui::PopStyleColor();
        break;
      }
    }
  }
  if (dialog.busy) ImGui::EndDisabled();
  // An entry with the focus keeps its caret whatever else was clicked: a
  // click beside the controls or a key that ImGui takes as leaving the entry.
  if (!dialog.busy && keys.focusedKind() == StopKind::Entry && !ImGui::IsAnyItemActive() && !ImGui::IsMouseDown(0))
    dialog.noteFocusMoved();
  ImGui::End();
  ImGui::PopFont();
  if (dialog.busy) command.reset();
  return command;
}

}  // namespace vilmar::sdl
