// The request and answer types the handlers use, whatever server carries them.

#include <gtest/gtest.h>

#include "http/Message.h"

using namespace kortix;

TEST(Message, QueryAndFormDecodeAsBrowsersSendThem) {
  Params params;
  parseQuery("email=a%40b.se&nick=Vilmar+P&empty=&bare&=orphan&bad=%zz%4&utf=%C3%A5", params);
  EXPECT_EQ(params.find("email")->second, "a@b.se");
  EXPECT_EQ(params.find("nick")->second, "Vilmar P");
  EXPECT_EQ(params.find("empty")->second, "");
  EXPECT_EQ(params.find("bare")->second, "");
  EXPECT_EQ(params.count(""), 0u);  // a value without a name is dropped
  EXPECT_EQ(params.find("bad")->second, "%zz%4");  // a broken escape stays as sent
  EXPECT_EQ(params.find("utf")->second, "\xC3\xA5");
  // A path keeps its plus signs.
  EXPECT_EQ(decodeUrl("/a+b%2Fc%00", false), std::string("/a+b/c\0", 7));
}

TEST(Message, HeadersAreCaselessAndNeverSplitTheHead) {
  Request req;
  req.headers.emplace("content-TYPE", "text/plain");
  EXPECT_TRUE(req.has_header("Content-Type"));
  EXPECT_EQ(req.get_header_value("CONTENT-type"), "text/plain");
  EXPECT_EQ(req.get_header_value("Cookie"), "");

  Response res;
  res.set_header("Set-Cookie", "a=1");
  res.set_header("Set-Cookie", "b=2");
  EXPECT_EQ(res.headers.count("set-cookie"), 2u);
  res.set_header("X-Evil", "1\r\nSet-Cookie: c=3");
  res.set_redirect("/ok\nSet-Cookie: d=4", 301);
  EXPECT_FALSE(res.has_header("X-Evil"));
  EXPECT_FALSE(res.has_header("Location"));
  EXPECT_EQ(res.headers.count("Set-Cookie"), 2u);
  res.set_redirect("/registrera/", 200);
  EXPECT_EQ(res.status, 302);  // only a 3xx redirects
  EXPECT_EQ(res.get_header_value("Location"), "/registrera/");
}
