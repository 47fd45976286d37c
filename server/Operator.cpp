#include "Operator.h"

#include <charconv>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "domain/Calendar.h"
#include "domain/Entries.h"
#include "net/MachineFacts.h"

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
  out << "rank,nick,email,score,reached_at\n";
  int rank = 0;
  for (const Ranked& r : list)
    out << ++rank << ',' << csvField(r.nick) << ',' << csvField(r.email) << ',' << r.score << ','
        << isoTime(r.at) << '\n';
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

}  // namespace

std::string csvField(const std::string& text) {
  std::string value = text;
  if (!value.empty() && (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@'))
    value.insert(0, "'");
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
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
      if (!parseDayKey(values[0])) {
        err << "winners day: not a date (YYYY-MM-DD): " << values[0] << '\n';
        return 2;
      }
      rankedCsv(store.topOfDay(values[0], limit), out);
      return 0;
    }
    if (args[1] == "week" && values.size() == 1) {
      const auto week = normaliseWeekKey(values[0]);
      if (!week) {
        err << "winners week: not an ISO week (YYYY-Www): " << values[0] << '\n';
        return 2;
      }
      rankedCsv(store.topOfWeek(*week, limit), out);
      return 0;
    }
  }
  err << "unknown command or wrong arguments: " << command << " (see --help)\n";
  return 2;
}

}  // namespace kortix
