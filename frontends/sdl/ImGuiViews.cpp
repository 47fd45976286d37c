#include "frontends/sdl/ImGuiViews.h"

#include <imgui.h>

#include <cstdio>
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

}  // namespace

void setUpClassicLook(int ui) {
  ImGuiIO& io = ImGui::GetIO();
  const float px = FONT_PX * static_cast<float>(ui);
  ImFont* font = nullptr;
  for (const char* file : FONT_FILES) {
    if (std::FILE* f = std::fopen(file, "rb")) {
      std::fclose(f);
      font = io.Fonts->AddFontFromFileTTF(file, px, nullptr, io.Fonts->GetGlyphRangesDefault());
      if (font != nullptr) break;
    }
  }
  if (font == nullptr) {
    ImFontConfig config;
    config.SizePixels = px;
    config.GlyphRanges = io.Fonts->GetGlyphRangesDefault();  // Basic Latin and Latin-1
    io.Fonts->AddFontDefault(&config);
  }

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

std::optional<int> drawMenuBar(bool enabled) {
  std::optional<int> chosen;
  if (!ImGui::BeginMainMenuBar()) return chosen;
  if (!enabled) ImGui::BeginDisabled();
  for (const MenuPopup& popup : MENU_BAR) {
    if (!ImGui::BeginMenu(std::string(popup.title).c_str())) continue;
    for (const MenuItem& item : popup.items) {
      if (ImGui::MenuItem(std::string(item.text).c_str())) chosen = item.command;
    }
    ImGui::EndMenu();
  }
  if (!enabled) ImGui::EndDisabled();
  ImGui::EndMainMenuBar();
  return chosen;
}

std::optional<int> drawDialog(DialogState& dialog, int ui, bool firstFrame) {
  const DialogTemplate& layout = dialog.layout();
  const float s = static_cast<float>(ui);
  const ImVec2 unit = dialogUnit();
  const ImGuiIO& io = ImGui::GetIO();
  std::optional<int> command;

  const float titleHeight = ImGui::GetFontSize() + ImGui::GetStyle().FramePadding.y * 2;
  const ImVec2 size(static_cast<float>(layout.w) * unit.x, static_cast<float>(layout.h) * unit.y + titleHeight);
  ImGui::SetNextWindowSize(size, ImGuiCond_Always);
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  if (firstFrame) ImGui::SetNextWindowFocus();
  bool open = true;
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar;
  const std::string title = dialog.caption() + "###dialog";
  ImGui::Begin(title.c_str(), layout.closeBox ? &open : nullptr, flags);
  if (!open) command = ID_CANCEL;

  bool focusSet = false;
  for (const ControlTemplate& c : layout.controls) {
    const ImVec2 at(static_cast<float>(c.x) * unit.x, static_cast<float>(c.y) * unit.y + titleHeight);
    const ImVec2 box(static_cast<float>(c.w) * unit.x, static_cast<float>(c.h) * unit.y);
    ImGui::SetCursorPos(at);
    switch (c.kind) {
      case ControlKind::DefaultButton:
      case ControlKind::Button: {
        if (c.kind == ControlKind::DefaultButton) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f * s);
        if (ImGui::Button(label(dialog.text(c.id), c.id).c_str(), box)) command = c.id;
        if (c.kind == ControlKind::DefaultButton) ImGui::PopStyleVar();
        break;
      }
      case ControlKind::Group: {
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        const float half = ImGui::GetFontSize() * 0.5f;
        ImGui::GetWindowDrawList()->AddRect(ImVec2(origin.x, origin.y + half), ImVec2(origin.x + box.x, origin.y + box.y),
                                            IM_COL32(96, 96, 96, 255));
        // The label sits on the frame's top line, which it hides.
        ImGui::SetCursorPos(ImVec2(at.x + 6 * s, at.y));
        const std::string text(c.text);
        const ImVec2 textSize = ImGui::CalcTextSize(text.c_str());
        const ImVec2 textAt = ImGui::GetCursorScreenPos();
        ImGui::GetWindowDrawList()->AddRectFilled(ImVec2(textAt.x - 2 * s, textAt.y),
                                                  ImVec2(textAt.x + textSize.x + 2 * s, textAt.y + textSize.y),
                                                  ImGui::GetColorU32(ImGuiCol_WindowBg));
        ImGui::TextUnformatted(text.c_str());
        break;
      }
      case ControlKind::Edit:
      case ControlKind::Password: {
        DialogState::EditBuffer* buffer = dialog.edit(c.id);
        if (buffer == nullptr) break;
        if (firstFrame && !focusSet) {
          ImGui::SetKeyboardFocusHere();
          focusSet = true;
        }
        ImGui::SetNextItemWidth(box.x);
        const ImGuiInputTextFlags editFlags =
            c.kind == ControlKind::Password ? ImGuiInputTextFlags_Password : ImGuiInputTextFlags_None;
        ImGui::InputText(label("", c.id).c_str(), buffer->data(), buffer->size(), editFlags);
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
        ImGui::EndChild();
        ImGui::PopStyleColor();
        ImGui::EndChild();
        ImGui::PopStyleColor();
        break;
      }
    }
  }
  ImGui::End();

  // Alt+Enter switches fullscreen; it is no press of the default button.
  if (!command && !io.KeyAlt) {
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false) ||
        ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_KeyPadEnter), false))
      command = ID_OK;
    else if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false))
      command = ID_CANCEL;
  }
  return command;
}

}  // namespace vilmar::sdl
