#include "http/WebApp.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "domain/Calendar.h"
#include "domain/Entries.h"
#include "http/Downloads.h"
#include "net/Windows1252.h"

namespace kortix {

namespace {

constexpr const char* CSRF_COOKIE = "kortix_csrf";
constexpr std::size_t TOP_SIZE = 10;
// A whole list, for a member's own place in it.
constexpr std::size_t ALL_PLACES = 10000000;

PageData list() { return PageData(PageData::type::list); }

// Whether a day comes after another: a list's "next" is offered only for a
// period that has begun.
bool after(const LocalDate& a, const LocalDate& b) {
  return std::tie(a.year, a.month, a.day) > std::tie(b.year, b.month, b.day);
}

void addErrors(PageData& page, const FormErrors& errors) {
  for (const auto& [field, message] : errors) page.set(field.empty() ? "error" : "error_" + field, message);
  page.set("has_errors", !errors.empty());
}

PageData rankedList(const std::vector<Ranked>& entries) {
  PageData rows = list();
  int rank = 0;
  for (const Ranked& entry : entries) {
    PageData row;
    row.set("rank", std::to_string(++rank));
    row.set("nick", entry.nick);
    row.set("score", std::to_string(entry.score));
    row.set("verified", entry.verified);
    rows.push_back(row);
  }
  return rows;
}

std::string cookieValue(const Request& req, const std::string& name) {
  const std::string header = req.get_header_value("Cookie");
  std::size_t at = 0;
  while (at < header.size()) {
    const std::size_t end = std::min(header.find(';', at), header.size());
    std::string_view pair(header.data() + at, end - at);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    if (pair.substr(0, name.size() + 1) == name + "=") return std::string(pair.substr(name.size() + 1));
    at = end + 1;
  }
  return {};
}

bool wellFormedToken(const std::string& token) {
  return token.size() == 32 && token.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string newCsrfToken() {
  unsigned char raw[16];
  randombytes_buf(raw, sizeof raw);
  char hex[33];
  sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
  return hex;
}

// A query or form value, cut to at most maxBytes without splitting a UTF-8
// character (which has at most three bytes after its first).
std::string param(const Request& req, const char* name, std::size_t maxBytes = 256) {
  std::string value = req.has_param(name) ? req.get_param_value(name) : std::string();
  if (value.size() > maxBytes) {
    std::size_t cut = maxBytes;
    for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80; ++back) --cut;
    value.resize(cut);
  }
  return value;
}

// Text as a page shows it. The pages are UTF-8, but the game opens
// /getpass.asp with the address as it sends it, one byte a character, and a
// hand-made post may hold any bytes: those are read as Windows-1252 so that
// what is shown back is always UTF-8.
std::string shown(const std::string& text) {
  return validUtf8(text) ? text : vilmar::windows1252ToUtf8(text);
}

std::string textParam(const Request& req, const char* name, std::size_t maxBytes = 256) {
  return shown(param(req, name, maxBytes));
}

}  // namespace

const std::vector<WebApp::Route>& WebApp::routes() {
  static const std::vector<Route> table = {
      {"POST", "/r0002.asp", &WebApp::score, SCORE_BODY_LIMIT},
      {"GET", "/", &WebApp::home},
      {"GET", "/topplista/", &WebApp::topList},
      {"GET", "/regler/", &WebApp::rules},
      {"GET", "/registrera/", &WebApp::registerForm},
      {"POST", "/registrera/", &WebApp::registerSubmit},
      {"GET", "/getpass.asp", &WebApp::resetForm},
      {"POST", "/getpass.asp", &WebApp::resetSubmit},
      {"GET", "/nyttlosen/", &WebApp::newPasswordForm},
      {"POST", "/nyttlosen/", &WebApp::newPasswordSubmit},
      {"GET", "/avsluta/", &WebApp::endForm},
      {"POST", "/avsluta/", &WebApp::endSubmit},
      {"GET", "/useradm/challenge/", &WebApp::challengeForm},
      {"POST", "/useradm/challenge/", &WebApp::challengeSubmit},
      {"GET", "/version.asp", &WebApp::version},
      {"GET", "/dll/", &WebApp::dll},
      {"GET", "/ladda-ner/", &WebApp::downloads},
      {"GET", "/bekrafta/", &WebApp::confirm},
      {"GET", "/logga-in/", &WebApp::signInForm},
      {"POST", "/logga-in/", &WebApp::signInSubmit},
      {"POST", "/logga-ut/", &WebApp::signOut},
      {"GET", "/mina-resultat/", &WebApp::myResults},
      {"GET", "/healthz", &WebApp::healthz},
      {"GET", "/readyz", &WebApp::readyz},
      {"GET", "/api/v1/topplista", &WebApp::apiTopList},
      {"OPTIONS", "/api/v1/topplista", &WebApp::apiPreflight},
      {"GET", "/api/v1/bonus", &WebApp::apiBonus},
      {"OPTIONS", "/api/v1/bonus", &WebApp::apiPreflight},
      {"GET", "/spela/tjanst.json", &WebApp::siteSettings},
  };
  return table;
}

namespace {

const Headers& defaultHeaders() {
  static const Headers headers = {
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "no-referrer"},
      {"Content-Security-Policy",
       "default-src 'self'; img-src 'self'; style-src 'self'; form-action 'self'; frame-ancestors 'none'; "
       "base-uri 'none'"},
  };
  return headers;
}

bool under(const std::string& path, std::string_view prefix) {
  return path.size() > prefix.size() && path.starts_with(prefix) && path[prefix.size()] == '/';
}

}  // namespace

WebApp::WebApp(Store& store, ScoreDesk& desk, Accounts& accounts, const Templates& templates, Clock clock,
               WebConfig config)
    : store_(store), desk_(desk), accounts_(accounts), templates_(templates), clock_(std::move(clock)),
      config_(std::move(config)) {
  static_ = std::make_unique<SiteFiles>(config_.staticDir, "/static", false);
  if (!config_.siteDir.empty()) site_ = std::make_unique<SiteFiles>(config_.siteDir, "/spela", true);
  if (!config_.downloadsDir.empty()) {
    downloads_ = std::make_unique<SiteFiles>(config_.downloadsDir, "/filer", false);
    downloadFiles_ = std::make_unique<DownloadFiles>(config_.downloadsDir);
  }
}

WebApp::~WebApp() = default;

std::size_t WebApp::bodyLimit(std::string_view method, std::string_view path) {
  for (const Route& route : routes())
    if (route.method == method && route.path == path) return route.maxBody;
  return FORM_BODY_LIMIT;
}

void WebApp::serve(const Request& req, Response& res) {
  res.headers = defaultHeaders();
  const bool read = req.method == "GET" || req.method == "HEAD";
  bool pathKnown = false;
  for (const Route& route : routes()) {
    if (req.path != route.path) continue;
    pathKnown = true;
    if (route.method == req.method || (read && std::string_view(route.method) == "GET")) {
      handle(route, req, res);
      return errorPage(res);
    }
  }
  SiteFiles* files = under(req.path, "/static") ? static_.get()
                     : (req.path == "/spela" || under(req.path, "/spela")) ? site_.get()
                     : under(req.path, "/filer") ? downloads_.get()
                                                 : nullptr;
  if (files && read) {
    try {
      files->serve(req, res);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kortix: GET %s: %s\n", escapeForLog(req.path).c_str(), escapeForLog(e.what()).c_str());
      res.status = 503;
    }
    return errorPage(res);
  }
  if (pathKnown || files) {
    std::string allowed;
    for (const Route& route : routes())
      if (req.path == route.path) allowed += std::string(allowed.empty() ? "" : ", ") + route.method;
    res.set_header("Allow", allowed.empty() ? "GET, HEAD" : allowed);
    res.status = 405;
    return errorPage(res);
  }
  // "/registrera" and the like: the page is at the slashed path.
  for (const Route& route : routes()) {
    if (req.path + "/" == route.path) {
      res.set_redirect(route.path, 301);
      return;
    }
  }
  if (req.path.starts_with("/api/")) return apiNotFound(res);
  res.status = 404;
  errorPage(res);
}

void WebApp::errorPage(Response& res) {
  if (res.status < 400 || !res.content().empty()) return;
  PageData data;
  data.set("title", res.status == 404 ? "Sidan finns inte" : "Fel");
  data.set("not_found", res.status == 404);
  data.set("status", std::to_string(res.status));
  res.set_content(templates_.render("error", data), "text/html; charset=utf-8");
}

void WebApp::handle(const Route& route, const Request& req, Response& res) {
  try {
    (this->*route.handler)(req, res);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kortix: %s %s: %s\n", escapeForLog(req.method).c_str(), escapeForLog(req.path).c_str(),
                 escapeForLog(e.what()).c_str());
    if (req.path.starts_with("/api/")) {
      apiUnavailable(res);
    } else if (route.handler == &WebApp::score) {
      // No 0 or 1 unless the score is stored: the game sees no verdict.
      res.status = 503;
      res.set_content("Tjänsten är tillfälligt ur funktion.\r\n", "text/plain; charset=utf-8");
    } else {
      PageData data;
      data.set("title", "Tillfälligt fel");
      page(res, "unavailable", data, 503);
    }
  }
}

std::string WebApp::sender(const Request& req) const {
  // The server has already taken the client from X-Forwarded-For when the
  // connection came from a trusted proxy.
  return req.remote_addr;
}

void WebApp::page(Response& res, const std::string& name, PageData data, int status) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(templates_.render(name, std::move(data)), "text/html; charset=utf-8");
}

// Over https the cookie is bound to this very host and to https: a
// neighbouring host or a plain-http page cannot plant or read it.
// A form shown again: its title, a fresh form token, what was typed (in
// `data`) and what was wrong with it.
void WebApp::formAgain(const Request& req, Response& res, const std::string& name, const char* title, PageData data,
                       const FormErrors& errors, int status) {
  data.set("title", title);
  data.set("csrf", csrfToken(req, res));
  addErrors(data, errors);
  page(res, name, std::move(data), status);
}

const char* WebApp::csrfCookie() const { return secureSite() ? "__Host-kortix_csrf" : CSRF_COOKIE; }

std::string WebApp::csrfToken(const Request& req, Response& res) {
  std::string token = cookieValue(req, csrfCookie());
  if (!wellFormedToken(token)) {
    token = newCsrfToken();
    res.set_header("Set-Cookie", std::string(csrfCookie()) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict" +
                                     (secureSite() ? "; Secure" : ""));
  }
  return token;
}

bool WebApp::csrfValid(const Request& req) {
  // A browser names the page a form came from; one of another site is
  // refused whatever token it carries. ("null" is what our own pages send
  // under their no-referrer policy, and the token decides then.)
  const std::string origin = req.get_header_value("Origin");
  if (!origin.empty() && origin != "null" && !config_.publicUrl.empty()) {
    const std::size_t hostStart = config_.publicUrl.find("://");
    const std::size_t pathStart =
        hostStart == std::string::npos ? std::string::npos : config_.publicUrl.find('/', hostStart + 3);
    if (foldKey(origin) != foldKey(config_.publicUrl.substr(0, pathStart))) return false;
  }
  const std::string cookie = cookieValue(req, csrfCookie());
  const std::string field = param(req, "csrf", 64);
  return wellFormedToken(cookie) && field.size() == cookie.size() &&
         sodium_memcmp(cookie.data(), field.data(), cookie.size()) == 0;
}

void WebApp::csrfRefused(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Formuläret har gått ut");
  data.set("back", req.path);
  page(res, "expired", data, 403);
}

// --- the game's score form -------------------------------------------------

void WebApp::score(const Request& req, Response& res) {
  const ScoreReply reply = desk_.submit(req.body, sender(req));
  switch (reply.kind) {
    case ScoreReply::Kind::Verdict: res.set_content(reply.body(), "text/plain"); break;
    case ScoreReply::Kind::Limited:
      res.status = 429;
      res.set_header("Retry-After", "900");
      res.set_content("För många felaktiga försök. Vänta en kvart.\r\n", "text/plain; charset=utf-8");
      break;
    case ScoreReply::Kind::Busy:
      res.status = 503;
      res.set_header("Retry-After", "10");
      res.set_content("Tjänsten är hårt belastad. Försök igen om en stund.\r\n", "text/plain; charset=utf-8");
      break;
  }
}

// --- the lists -------------------------------------------------------------

void WebApp::home(const Request& req, Response& res) {
  const std::int64_t now = clock_();
  const LocalDate today = stockholmDate(now);
  const std::string week = weekKey(today);
  PageData data;
  data.set("title", "Vilmar Pintkeeper på Kortix");
  data.set("today", swedishDay(today));
  data.set("day_key", dayKey(today));
  data.set("week", swedishWeek(week));
  data.set("week_key", week);
  const auto day = store_.topOfDay(dayKey(today), TOP_SIZE, dayCloses(today));
  const auto weekList = store_.topOfWeek(week, TOP_SIZE, weekCloses(week).value_or(Store::NEVER_CLOSES));
  data.set("day_closes", closingLine("Dagens lista", dayCloses(today), now));
  data.set("week_closes", closingLine("Veckans lista", weekCloses(week).value_or(now), now));
  if (const auto me = member(req)) {
    // The whole lists, cached for a second like the top ten.
    constexpr std::size_t ALL = 10000000;
    data.set("signed_in", true);
    data.set("me_nick", me->nick);
    data.set("day_place", yourPlace(store_.topOfDay(dayKey(today), ALL, dayCloses(today)), me->id));
    data.set("week_place",
             yourPlace(store_.topOfWeek(week, ALL, weekCloses(week).value_or(Store::NEVER_CLOSES)), me->id));
    data.set("csrf", csrfToken(req, res));
  }
  data.set("day_list", rankedList(day));
  data.set("day_empty", day.empty());
  data.set("week_list", rankedList(weekList));
  data.set("week_empty", weekList.empty());
  PageData bonus = list();
  int rank = 0;
  const auto referrals = store_.referrals(TOP_SIZE);
  for (const Referral& r : referrals) {
    PageData row;
    row.set("rank", std::to_string(++rank));
    row.set("nick", r.nick);
    row.set("count", std::to_string(r.count));
    bonus.push_back(row);
  }
  data.set("bonus_list", bonus);
  data.set("bonus_empty", referrals.empty());
  data.set("site", !config_.siteDir.empty());
  // Before any release the button would lead to an empty page.
  const auto builds = store_.builds();
  data.set("downloads", std::any_of(builds.begin(), builds.end(),
                                    [](const Build& b) { return playerPlatform(b.platform); }));
  page(res, "home", data);
}

void WebApp::topList(const Request& req, Response& res) {
  PageData data;
  const std::string dayParam = param(req, "dag", 32);
  const std::string weekParam = param(req, "vecka", 32);
  std::vector<Ranked> entries;
  if (!weekParam.empty()) {
    const auto week = normaliseWeekKey(weekParam);
    const auto monday = week ? mondayOfWeek(*week) : std::nullopt;
    if (!week || !monday) {
      data.set("title", "Ogiltig vecka");
      data.set("bad_week", true);
      page(res, "toplist", data, 400);
      return;
    }
    entries = store_.topOfWeek(*week, TOP_SIZE, *weekCloses(*week));
    if (const auto me = member(req))
      data.set("place", yourPlace(store_.topOfWeek(*week, ALL_PLACES, *weekCloses(*week)), me->id));
    const std::int64_t now = clock_();
    if (*weekCloses(*week) <= now) data.set("closed", true);
    else if (stockholmMidnight(*monday) <= now) data.set("closes", closingLine("Veckans lista", *weekCloses(*week), now));
    data.set("title", "Topplista " + swedishWeek(*week));
    data.set("heading", "Veckans bästa, " + swedishWeek(*week));
    data.set("prev", "?vecka=" + weekKey(addDays(*monday, -7)));
    if (!after(addDays(*monday, 7), stockholmDate(clock_()))) data.set("next", "?vecka=" + weekKey(addDays(*monday, 7)));
  } else {
    const auto date = dayParam.empty() ? std::optional<LocalDate>(stockholmDate(clock_())) : parseDayKey(dayParam);
    if (!date) {
      data.set("title", "Ogiltigt datum");
      data.set("bad_day", true);
      page(res, "toplist", data, 400);
      return;
    }
    entries = store_.topOfDay(dayKey(*date), TOP_SIZE, dayCloses(*date));
    if (const auto me = member(req))
      data.set("place", yourPlace(store_.topOfDay(dayKey(*date), ALL_PLACES, dayCloses(*date)), me->id));
    const std::int64_t now = clock_();
    if (dayCloses(*date) <= now) data.set("closed", true);
    else if (stockholmMidnight(*date) <= now) data.set("closes", closingLine("Dagens lista", dayCloses(*date), now));
    data.set("title", "Topplista " + swedishDay(*date));
    data.set("heading", "Dagens bästa, " + swedishDay(*date));
    data.set("prev", "?dag=" + dayKey(addDays(*date, -1)));
    if (!after(addDays(*date, 1), stockholmDate(clock_()))) data.set("next", "?dag=" + dayKey(addDays(*date, 1)));
    data.set("week_link", "?vecka=" + weekKey(*date));
    if (dayParam.empty()) {
      data.set("recent", recentWinners(*date));
      data.set("has_recent", true);
    }
  }
  data.set("list", rankedList(entries));
  data.set("empty", entries.empty());
  page(res, "toplist", data);
}

// "Dagens lista stänger om 3 h 12 min", with the seconds left for the
// script that counts down (the page says it without the script too).
PageData WebApp::closingLine(const std::string& what, std::int64_t closes, std::int64_t now) {
  PageData line;
  line.set("text", what + " stänger " + closesIn(closes - now));
  line.set("what", what);
  line.set("left", std::to_string(closes - now));
  return line;
}

// The winner of each of the seven days before today, newest first.
PageData WebApp::recentWinners(const LocalDate& today) {
  PageData rows = list();
  for (int back = 1; back <= 7; ++back) {
    const LocalDate date = addDays(today, -back);
    const auto top = store_.topOfDay(dayKey(date), 1, dayCloses(date));
    PageData row;
    row.set("day", swedishDay(date));
    row.set("link", "?dag=" + dayKey(date));
    row.set("none", top.empty());
    if (!top.empty()) {
      row.set("nick", top[0].nick);
      row.set("score", std::to_string(top[0].score));
    }
    rows.push_back(row);
  }
  return rows;
}

void WebApp::rules(const Request&, Response& res) {
  PageData data;
  data.set("title", "Tävlingsregler");
  page(res, "rules", data);
}

// --- membership ------------------------------------------------------------

void WebApp::registerForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Bli medlem");
  data.set("csrf", csrfToken(req, res));
  data.set("referrer", textParam(req, "tipsare", 256));
  page(res, "register", data);
}

void WebApp::registerSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  Registration form;
  form.email = param(req, "email");
  form.nick = param(req, "nick");
  form.password = param(req, "password", 128);
  form.password2 = param(req, "password2", 128);
  form.referrer = param(req, "referrer");
  form.acceptsRules = param(req, "rules") == "ja";
  const FormErrors errors = accounts_.registerMember(form, sender(req));
  PageData data;
  if (errors.empty()) {
    data.set("title", "Välkommen");
    data.set("nick", shown(trimmed(form.nick)));
    page(res, "registered", data);
    return;
  }
  data.set("email", shown(form.email));
  data.set("nick", shown(form.nick));
  data.set("referrer", shown(form.referrer));
  data.set("rules_checked", form.acceptsRules);
  formAgain(req, res, "register", "Bli medlem", std::move(data), errors, 400);
}

void WebApp::resetForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Glömt lösenordet");
  data.set("csrf", csrfToken(req, res));
  data.set("email", textParam(req, "mail", 256));
  page(res, "getpass", data);
}

void WebApp::resetSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  const std::string email = param(req, "email");
  PageData data;
  if (emailProblem(trimmed(email))) {
    data.set("email", shown(email));
    formAgain(req, res, "getpass", "Glömt lösenordet", std::move(data),
              {{"email", "Det där ser inte ut som en e-mailadress."}}, 400);
    return;
  }
  if (!accounts_.requestReset(email)) {
    data.set("email", shown(email));
    formAgain(req, res, "getpass", "Glömt lösenordet", std::move(data), {{"", MAIL_FAILED}}, 503);
    return;
  }
  // The same answer for members and strangers: the page tells no one who is a member.
  data.set("title", "Kolla din e-mail");
  data.set("email", shown(trimmed(email)));
  page(res, "getpass-sent", data);
}

void WebApp::newPasswordForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Nytt lösenord");
  const std::string token = param(req, "t", 128);
  // A used or old link says so at once, before anyone types a password twice.
  if (!accounts_.resetLinkValid(token)) return linkInvalid(res, data);
  data.set("csrf", csrfToken(req, res));
  data.set("token", shown(token));
  page(res, "newpassword", data);
}

void WebApp::linkInvalid(Response& res, PageData& data) {
  data.set("link_invalid", true);
  data.set("error", RESET_LINK_INVALID);
  page(res, "newpassword", data, 400);
}

void WebApp::newPasswordSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  const std::string token = param(req, "t", 128);
  PageData data;
  data.set("title", "Nytt lösenord");
  if (!accounts_.resetLinkValid(token)) return linkInvalid(res, data);
  const FormErrors errors =
      accounts_.resetPassword(token, param(req, "password", 128), param(req, "password2", 128), sender(req));
  if (errors.empty()) {
    data.set("title", "Lösenordet är bytt");
    page(res, "newpassword-done", data);
    return;
  }
  const auto whole = errors.find("");
  if (whole != errors.end() && whole->second == RESET_LINK_INVALID) return linkInvalid(res, data);
  data.set("csrf", csrfToken(req, res));
  data.set("token", shown(token));
  addErrors(data, errors);
  page(res, "newpassword", data, 400);
}

void WebApp::endForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Avsluta medlemskapet");
  data.set("csrf", csrfToken(req, res));
  page(res, "end", data);
}

void WebApp::endSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  const std::string email = param(req, "email");
  FormErrors errors;
  if (param(req, "confirm") != "ja") errors["confirm"] = "Kryssa i att du vill avsluta medlemskapet.";
  if (errors.empty()) errors = accounts_.endMembership(email, param(req, "password", 128), sender(req));
  PageData data;
  if (errors.empty()) {
    data.set("title", "Medlemskapet är avslutat");
    page(res, "end-done", data);
    return;
  }
  data.set("email", shown(email));
  formAgain(req, res, "end", "Avsluta medlemskapet", std::move(data), errors, 400);
}

void WebApp::challengeForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Utmana dina vänner");
  data.set("csrf", csrfToken(req, res));
  page(res, "challenge", data);
}

void WebApp::challengeSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  const std::string email = param(req, "email");
  std::vector<std::string> friends;
  for (std::size_t i = 1; i <= INVITES_MAX; ++i) friends.push_back(param(req, ("friend" + std::to_string(i)).c_str()));
  std::size_t sent = 0;
  const FormErrors errors = accounts_.invite(email, param(req, "password", 128), friends, sender(req), sent);
  PageData data;
  data.set("title", "Utmana dina vänner");
  if (errors.empty()) {
    page(res, "challenge-sent", data);
    return;
  }
  data.set("csrf", csrfToken(req, res));
  data.set("email", shown(email));
  for (std::size_t i = 0; i < friends.size(); ++i) data.set("friend" + std::to_string(i + 1), shown(friends[i]));
  addErrors(data, errors);
  page(res, "challenge", data, 400);
}

void WebApp::confirm(const Request& req, Response& res) {
  PageData data;
  if (accounts_.confirmAddress(param(req, "t", 128))) {
    data.set("title", "Adressen är bekräftad");
    data.set("confirmed", true);
    page(res, "confirmed", data);
    return;
  }
  data.set("title", "Länken gäller inte");
  page(res, "confirmed", data, 400);
}

// --- help for the game -----------------------------------------------------

namespace {

// The newest build of each player's platform, for the version and download
// pages; with the downloads folder, each file's size and checksum.
PageData newestBuilds(const std::vector<Build>& builds, DownloadFiles* files, std::size_t& count) {
  std::map<std::string, const Build*> newest;
  for (const Build& b : builds) {
    if (!playerPlatform(b.platform)) continue;
    const Build*& slot = newest[b.platform];
    if (!slot || olderVersion(slot->version, b.version)) slot = &b;
  }
  PageData rows = list();
  // Windows first: most players have it.
  std::vector<const Build*> order;
  for (const auto& entry : newest) order.push_back(entry.second);
  std::stable_partition(order.begin(), order.end(), [](const Build* b) { return b->platform == "windows"; });
  count = order.size();
  for (const Build* b : order) {
    PageData row;
    row.set("platform", platformName(b->platform));
    row.set("version", b->version);
    row.set("file", b->fileName);
    row.set("windows", b->platform == "windows");
    row.set("linux", b->platform == "linux");
    const auto facts = files ? files->facts(b->fileName) : std::nullopt;
    row.set("link", facts.has_value());
    if (facts) {
      row.set("size", swedishSize(facts->size));
      row.set("bytes", std::to_string(facts->size));
      row.set("sha256", facts->sha256);
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

void WebApp::version(const Request&, Response& res) {
  buildsPage(res, "Det finns en nyare version", "version");
}

void WebApp::downloads(const Request&, Response& res) {
  buildsPage(res, "Ladda ner Vilmar Pintkeeper", "downloads");
}

void WebApp::buildsPage(Response& res, const std::string& title, const std::string& name) {
  PageData data;
  data.set("title", title);
  std::size_t count = 0;
  const PageData builds = newestBuilds(store_.builds(), downloadFiles_.get(), count);
  data.set("no_builds", count == 0);
  data.set("builds", builds);
  data.set("site", !config_.siteDir.empty());
  page(res, name, data);
}

// --- the browser game ---------------------------------------------------------

namespace {

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

// The game served under /spela/ asks where its sponsor link goes; that it
// gets an answer at all tells it that this service's pages are its own.
void WebApp::siteSettings(const Request&, Response& res) {
  if (config_.siteDir.empty()) {
    res.status = 404;
    return;
  }
  res.set_header("Cache-Control", "no-cache");
  res.set_content("{\"sponsor\": " + (config_.sponsorUrl.empty() ? std::string("null") : jsonString(config_.sponsorUrl)) +
                      "}\n",
                  "application/json");
}

void WebApp::dll(const Request&, Response& res) {
  PageData data;
  data.set("title", "Spelet hittar inte WinInet");
  page(res, "dll", data);
}

// --- signing in on the web ---------------------------------------------------

const char* WebApp::sessionCookie() const { return secureSite() ? "__Host-kortix_session" : "kortix_session"; }

std::optional<User> WebApp::member(const Request& req) {
  const std::string token = cookieValue(req, sessionCookie());
  if (token.empty()) return std::nullopt;
  return accounts_.sessionMember(token);
}

PageData WebApp::yourPlace(const std::vector<Ranked>& all, std::int64_t userId) {
  PageData place;
  std::size_t at = all.size();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].userId == userId) {
      at = i;
      break;
    }
  place.set("none", at == all.size());
  if (at == all.size()) return place;
  place.set("rank", std::to_string(at + 1));
  place.set("score", std::to_string(all[at].score));
  // An equal score reached earlier ranks above: one point more passes it.
  if (at > 0) place.set("to_next", std::to_string(all[at - 1].score - all[at].score + 1));
  const std::size_t first = at >= 2 ? std::min(at - 2, all.size() >= 5 ? all.size() - 5 : 0) : 0;
  PageData rows = list();
  for (std::size_t i = first; i < std::min(first + 5, all.size()); ++i) {
    PageData row;
    row.set("rank", std::to_string(i + 1));
    row.set("nick", all[i].nick);
    row.set("score", std::to_string(all[i].score));
    row.set("me", i == at);
    rows.push_back(row);
  }
  place.set("around", rows);
  return place;
}

// The member's best of each day and week played, newest first, with the
// place it has on that list (none while the address is unconfirmed).
void WebApp::myResults(const Request& req, Response& res) {
  const auto me = member(req);
  if (!me) {
    res.set_header("Cache-Control", "no-store");
    res.set_redirect("/logga-in/", 303);
    return;
  }
  constexpr std::size_t SHOWN = 30;  // days, and weeks, at most
  std::map<std::string, std::int32_t, std::greater<>> days, weeks;
  for (const ScoreEntry& e : store_.scoresOf(me->id)) {
    auto [day, newDay] = days.try_emplace(e.day, e.score);
    if (!newDay) day->second = std::max(day->second, e.score);
    auto [week, newWeek] = weeks.try_emplace(e.week, e.score);
    if (!newWeek) week->second = std::max(week->second, e.score);
  }
  constexpr std::size_t ALL = 10000000;
  auto rankIn = [&](const std::vector<Ranked>& all) {
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].userId == me->id) return std::to_string(i + 1);
    return std::string("–");
  };
  PageData dayRows = list(), weekRows = list();
  std::size_t shown = 0;
  for (const auto& [key, best] : days) {
    if (++shown > SHOWN) break;
    const auto date = parseDayKey(key);
    if (!date) continue;
    PageData row;
    row.set("label", swedishDay(*date));
    row.set("link", "?dag=" + key);
    row.set("score", std::to_string(best));
    row.set("rank", rankIn(store_.topOfDay(key, ALL, dayCloses(*date))));
    dayRows.push_back(row);
  }
  shown = 0;
  for (const auto& [key, best] : weeks) {
    if (++shown > SHOWN) break;
    const auto closes = weekCloses(key);
    if (!closes) continue;
    PageData row;
    row.set("label", swedishWeek(key));
    row.set("link", "?vecka=" + key);
    row.set("score", std::to_string(best));
    row.set("rank", rankIn(store_.topOfWeek(key, ALL, *closes)));
    weekRows.push_back(row);
  }
  PageData data;
  data.set("title", "Mina resultat");
  data.set("me_nick", me->nick);
  data.set("none", days.empty());
  data.set("days", dayRows);
  data.set("weeks", weekRows);
  page(res, "myresults", data);
}

void WebApp::signInForm(const Request& req, Response& res) {
  PageData data;
  data.set("title", "Logga in");
  data.set("csrf", csrfToken(req, res));
  page(res, "signin", data);
}

void WebApp::signInSubmit(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  const std::string email = param(req, "email");
  std::string token;
  const FormErrors errors = accounts_.startSession(email, param(req, "password", 128), sender(req), token);
  if (errors.empty()) {
    res.set_header("Set-Cookie", std::string(sessionCookie()) + "=" + token + "; Path=/; HttpOnly; SameSite=Lax; Max-Age=" +
                                     std::to_string(SESSION_SECONDS) + (secureSite() ? "; Secure" : ""));
    res.set_header("Cache-Control", "no-store");
    res.set_redirect("/", 303);
    return;
  }
  PageData data;
  data.set("email", shown(email));
  formAgain(req, res, "signin", "Logga in", std::move(data), errors, 400);
}

void WebApp::signOut(const Request& req, Response& res) {
  if (!csrfValid(req)) return csrfRefused(req, res);
  accounts_.endSession(cookieValue(req, sessionCookie()));
  res.set_header("Set-Cookie", std::string(sessionCookie()) + "=; Path=/; HttpOnly; SameSite=Lax; Max-Age=0" +
                                   (secureSite() ? "; Secure" : ""));
  res.set_redirect("/", 303);
}

// --- for the proxy and the service manager ---------------------------------

namespace {

void probeAnswer(Response& res, bool ok) {
  res.status = ok ? 200 : 503;
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Robots-Tag", "noindex");
  res.set_content(ok ? "ok\n" : "not ready\n", "text/plain; charset=utf-8");
}

}  // namespace

// The process answers: nothing else is asked, so a slow database never makes
// the service manager restart a process that is fine.
void WebApp::healthz(const Request&, Response& res) { probeAnswer(res, true); }

// The database takes a write and its schema is this program's. Why not is
// logged, never shown: the answer is the same for anyone who asks.
void WebApp::readyz(const Request& req, Response& res) {
  std::lock_guard lock(readyMutex_);
  const auto now = std::chrono::steady_clock::now();
  if (!readyChecked_ || now - readyAt_ >= std::chrono::seconds(1)) {
    try {
      store_.checkReady();
      ready_ = true;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kortix: %s %s: %s\n", escapeForLog(req.method).c_str(), escapeForLog(req.path).c_str(),
                   escapeForLog(e.what()).c_str());
      ready_ = false;
    }
    readyChecked_ = true;
    readyAt_ = std::chrono::steady_clock::now();
  }
  probeAnswer(res, ready_);
}

}  // namespace kortix
