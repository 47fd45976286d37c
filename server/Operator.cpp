#include "Operator.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ReplayCheck.h"
#include "domain/Calendar.h"
#include "domain/Entries.h"
#include "input/Replay.h"
#include "net/MachineFacts.h"
#include "world/RulesVersion.h"

#include <nlohmann/json.hpp>

namespace kortix {

namespace {

std::string isoTime(std::int64_t unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

void rankedCsv(const std::vector<Ranked>& list, std::ostream& out) {
  out << "rank,nick,email,score,reached_at,verdict,replay_sha256\n";
  int rank = 0;
  for (const Ranked& r : list)
    out << ++rank << ',' << csvField(r.nick) << ',' << csvField(r.email) << ',' << r.score << ','
        << isoTime(r.at) << ',' << (r.verified ? "verified" : "unverified") << ',' << r.replaySha256 << '\n';
}

// Plays every kept game again under this program's rules. A game recorded
// under other rules keeps the verdict it got when it came: a rules change
// never rewrites the lists after the fact. Exit 1 when any game of these
// rules no longer plays to what it says.
int verifyReplays(Store& store, std::ostream& out) {
  out << "sha256,email,rules_version,verdict\n";
  int mismatches = 0, kept = 0, verified = 0;
  for (const StoredReplay& r : store.replays()) {
    vilmar::Replay replay;
    const vilmar::ReplayError error = vilmar::parseReplay(r.bytes, replay);
    std::string verdict;
    if (error != vilmar::ReplayError::None) {
      verdict = std::string("MISMATCH unreadable: ") + vilmar::replayErrorName(error);
      ++mismatches;
    } else if (replay.rulesVersion != vilmar::RULES_VERSION) {
      verdict = "kept: recorded under rules version " + std::to_string(replay.rulesVersion) + ", this program has " +
                std::to_string(vilmar::RULES_VERSION);
      ++kept;
    } else if (const auto v = vilmar::checkReplay(replay); v != vilmar::ReplayVerdict::Verified) {
      verdict = std::string("MISMATCH ") + vilmar::replayVerdictName(v);
      ++mismatches;
    } else {
      verdict = "verified";
      ++verified;
    }
    out << r.sha256 << ',' << csvField(r.email) << ',' << (error == vilmar::ReplayError::None ? replay.rulesVersion : 0)
        << ',' << csvField(verdict) << '\n';
  }
  out << "# " << verified << " verified, " << kept << " kept from other rules, " << mismatches << " mismatches\n";
  return mismatches == 0 ? 0 : 1;
}

bool count(const std::string& text, std::size_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && result.ec == std::errc{} && result.ptr == text.data() + text.size() && value > 0;
}

int addBuild(Store& store, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             std::int64_t now) {
  std::string file, platform, version;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--platform" && i + 1 < args.size()) platform = args[++i];
    else if (args[i] == "--version" && i + 1 < args.size()) version = args[++i];
    else if (file.empty() && args[i].rfind("--", 0) != 0) file = args[i];
    else {
      err << "add-build: unexpected " << args[i] << '\n';
      return 2;
    }
  }
  if (file.empty() || platform.empty() || version.empty()) {
    err << "usage: add-build FILE --platform NAME --version VERSION\n";
    return 2;
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in) {
    err << "add-build: cannot read " << file << '\n';
    return 1;
  }
  const std::string content = bytes.str();
  if (content.empty() || content.size() > 0xFFFFFFFFu) {
    err << "add-build: " << file << " is empty or too large\n";
    return 1;
  }
  const vilmar::ProgramFileFacts facts = vilmar::programFileFacts(content);
  Build build{0, facts.integrity, facts.length, platform, version,
              std::filesystem::path(file).filename().string(), now};
  const std::int64_t id = store.addBuild(build);
  out << "build " << id << ": " << platform << ' ' << version << ", integrity " << facts.integrity << ", length "
      << facts.length << '\n';
  return 0;
}

// One program of a releases list, checked before anything is stored.
std::optional<Build> releasedProgram(const nlohmann::json& entry, const std::string& listVersion, std::int64_t now,
                                     std::string& problem) {
  const auto text = [&](const char* key, std::size_t maxLength) -> std::optional<std::string> {
    const auto it = entry.find(key);
    if (it == entry.end() || !it->is_string() || it->get_ref<const std::string&>().empty() ||
        it->get_ref<const std::string&>().size() > maxLength) {
      problem = std::string("\"") + key + "\" is missing, not text or longer than " + std::to_string(maxLength);
      return std::nullopt;
    }
    return it->get<std::string>();
  };
  const auto number = [&](const char* key, std::uint64_t low) -> std::optional<std::uint32_t> {
    const auto it = entry.find(key);
    if (it == entry.end() || !it->is_number_unsigned() || it->get<std::uint64_t>() < low ||
        it->get<std::uint64_t>() > 0xFFFFFFFFu) {
      problem = std::string("\"") + key + "\" is missing or not a 32-bit whole number";
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(it->get<std::uint64_t>());
  };
  if (!entry.is_object()) {
    problem = "a program is not an object";
    return std::nullopt;
  }
  const auto platform = text("platform", 32);
  const auto file = platform ? text("file", 200) : std::nullopt;
  const auto integrity = file ? number("integrity", 0) : std::nullopt;
  const auto length = integrity ? number("length", 1) : std::nullopt;
  if (!length) return std::nullopt;
  // The download is named, never a path: the front page links /filer/NAME.
  if (file->find('/') != std::string::npos || file->find('\\') != std::string::npos || file->front() == '.') {
    problem = "\"file\" must be a plain file name";
    return std::nullopt;
  }
  std::string version = listVersion;
  if (entry.contains("version")) {
    const auto own = text("version", 64);
    if (!own) return std::nullopt;
    version = *own;
  }
  if (version.empty()) {
    problem = "no version";
    return std::nullopt;
  }
  return Build{0, *integrity, *length, *platform, version, *file, now};
}

// Registers every program of a releases list (as tools/release.sh writes
// it), or none when any entry is wrong.
int importReleases(Store& store, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   std::int64_t now) {
  if (args.size() != 2) {
    err << "usage: import-releases FILE\n";
    return 2;
  }
  std::ifstream in(args[1], std::ios::binary);
  if (!in) {
    err << "import-releases: cannot read " << args[1] << '\n';
    return 1;
  }
  const nlohmann::json list = nlohmann::json::parse(in, nullptr, false);
  if (list.is_discarded() || !list.is_object() || !list.contains("programs") || !list["programs"].is_array()) {
    err << "import-releases: " << args[1] << " is not a releases list (an object with \"programs\")\n";
    return 1;
  }
  std::string listVersion;
  if (list.contains("version") && list["version"].is_string()) listVersion = list["version"].get<std::string>();
  std::vector<Build> builds;
  for (const auto& entry : list["programs"]) {
    std::string problem;
    auto build = releasedProgram(entry, listVersion, now, problem);
    if (!build) {
      err << "import-releases: program " << builds.size() + 1 << ": " << problem << "; nothing imported\n";
      return 1;
    }
    builds.push_back(std::move(*build));
  }
  for (const Build& b : builds) {
    const std::int64_t id = store.addBuild(b);
    out << "build " << id << ": " << b.platform << ' ' << b.version << ' ' << b.fileName << ", integrity "
        << b.integrity << ", length " << b.length << '\n';
  }
  return 0;
}

}  // namespace

std::string csvField(const std::string& text) {
  // Control characters are written as \xNN (C1 ones as \u00NN): the output
  // goes to a terminal or a spreadsheet, and neither may be steered by what
  // a stranger typed into a form.
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char escaped[8] = {};
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(text[++i]));
    } else {
      value += static_cast<char>(c);
      continue;
    }
    value += escaped;
  }
  // A cell a spreadsheet would take for a formula, also when a TAB or CR leads it.
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos) value.insert(0, "'");
  if (value.find_first_of(",\"") == std::string::npos) return value;
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

int runOperatorCommand(Store& store, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       std::int64_t now) {
  const std::string& command = args.at(0);
  if (command == "add-build") return addBuild(store, args, out, err, now);
  if (command == "import-releases") return importReleases(store, args, out, err, now);
  if (command == "list-builds" && args.size() == 1) {
    out << "id,platform,version,file,integrity,length,added_at\n";
    for (const Build& b : store.builds())
      out << b.id << ',' << csvField(b.platform) << ',' << csvField(b.version) << ',' << csvField(b.fileName) << ','
          << b.integrity << ',' << b.length << ',' << isoTime(b.addedAt) << '\n';
    return 0;
  }
  if (command == "remove-build" && args.size() == 2) {
    std::int64_t id = 0;
    const auto r = std::from_chars(args[1].data(), args[1].data() + args[1].size(), id);
    if (r.ec != std::errc{} || r.ptr != args[1].data() + args[1].size()) {
      err << "remove-build: not a build id: " << args[1] << '\n';
      return 2;
    }
    if (!store.removeBuild(id)) {
      err << "remove-build: no build " << id << '\n';
      return 1;
    }
    out << "build " << id << " removed\n";
    return 0;
  }
  if (command == "list-users" && args.size() == 1) {
    out << "id,email,nick,referrer,created_at\n";
    for (const User& u : store.users())
      out << u.id << ',' << csvField(u.email) << ',' << csvField(u.nick) << ',' << csvField(u.referrer) << ','
          << isoTime(u.createdAt) << '\n';
    return 0;
  }
  if (command == "remove-user" && args.size() == 2) {
    const auto user = store.userByEmail(foldKey(trimmed(args[1])));
    if (!user || !store.removeUser(user->id)) {
      err << "remove-user: no member " << args[1] << '\n';
      return 1;
    }
    out << "member " << user->email << " removed\n";
    return 0;
  }
  if (command == "rejected" && args.size() <= 2) {
    std::size_t limit = 100;
    if (args.size() == 2 && !count(args[1], limit)) {
      err << "rejected: not a count: " << args[1] << '\n';
      return 2;
    }
    out << "at,address,reason,email,user_id,score\n";
    for (const RejectedAttempt& a : store.rejected(limit))
      out << isoTime(a.at) << ',' << csvField(a.address) << ',' << csvField(a.reason) << ',' << csvField(a.email)
          << ',' << a.userId << ',' << a.score << '\n';
    return 0;
  }
  if (command == "verify" && args.size() == 1) return verifyReplays(store, out);
  if (command == "winners" && args.size() >= 2) {
    // winners day DATE | week WEEK | bonus, then optionally --count N
    std::size_t limit = 10;
    std::vector<std::string> values;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i] == "--count" && i + 1 < args.size()) {
        if (!count(args[++i], limit)) {
          err << "winners: not a count: " << args[i] << '\n';
          return 2;
        }
      } else {
        values.push_back(args[i]);
      }
    }
    if (args[1] == "bonus" && values.empty()) {
      out << "rank,nick,email,referrals\n";
      int rank = 0;
      for (const Referral& r : store.referrals(limit))
        out << ++rank << ',' << csvField(r.nick) << ',' << csvField(r.email) << ',' << r.count << '\n';
      return 0;
    }
    if (args[1] == "day" && values.size() == 1) {
      const auto date = parseDayKey(values[0]);
      if (!date) {
        err << "winners day: not a date (YYYY-MM-DD): " << values[0] << '\n';
        return 2;
      }
      // The same members as the list showed when it closed.
      rankedCsv(store.topOfDay(dayKey(*date), limit, dayCloses(*date)), out);
      return 0;
    }
    if (args[1] == "week" && values.size() == 1) {
      const auto week = normaliseWeekKey(values[0]);
      const auto closes = week ? weekCloses(*week) : std::nullopt;
      if (!week || !closes) {
        err << "winners week: not an ISO week (YYYY-Www): " << values[0] << '\n';
        return 2;
      }
      rankedCsv(store.topOfWeek(*week, limit, *closes), out);
      return 0;
    }
  }
  err << "unknown command or wrong arguments: " << command << " (see --help)\n";
  return 2;
}

}  // namespace kortix
