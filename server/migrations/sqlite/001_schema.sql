-- Members, their scores, the released builds and the operator's log of refused forms.
CREATE TABLE users (
  id            INTEGER PRIMARY KEY,
  email         TEXT NOT NULL,
  email_key     TEXT NOT NULL UNIQUE,
  nick          TEXT NOT NULL,
  nick_key      TEXT NOT NULL UNIQUE,
  password_hash TEXT NOT NULL,
  referrer_key  TEXT NOT NULL DEFAULT '',
  created_at    INTEGER NOT NULL
);
CREATE INDEX users_referrer ON users (referrer_key);

CREATE TABLE scores (
  id        INTEGER PRIMARY KEY,
  user_id   INTEGER NOT NULL REFERENCES users (id) ON DELETE CASCADE,
  score     INTEGER NOT NULL,
  play_time INTEGER NOT NULL,
  day       TEXT NOT NULL,
  week      TEXT NOT NULL,
  at        INTEGER NOT NULL,
  integrity INTEGER NOT NULL,
  length    INTEGER NOT NULL
);
CREATE INDEX scores_day ON scores (day, user_id, score);
CREATE INDEX scores_week ON scores (week, user_id, score);
CREATE INDEX scores_user ON scores (user_id);

CREATE TABLE rejected (
  id      INTEGER PRIMARY KEY,
  at      INTEGER NOT NULL,
  address TEXT NOT NULL,
  reason  TEXT NOT NULL,
  email   TEXT NOT NULL,
  user_id INTEGER NOT NULL,
  score   INTEGER NOT NULL
);
CREATE INDEX rejected_user ON rejected (user_id);

CREATE TABLE builds (
  id        INTEGER PRIMARY KEY,
  integrity INTEGER NOT NULL,
  length    INTEGER NOT NULL,
  platform  TEXT NOT NULL,
  version   TEXT NOT NULL,
  file_name TEXT NOT NULL,
  added_at  INTEGER NOT NULL,
  UNIQUE (integrity, length)
);

CREATE TABLE reset_tokens (
  token_hash TEXT PRIMARY KEY,
  user_id    INTEGER NOT NULL REFERENCES users (id) ON DELETE CASCADE,
  created_at INTEGER NOT NULL,
  expires_at INTEGER NOT NULL
);
CREATE INDEX reset_tokens_user ON reset_tokens (user_id, created_at);
