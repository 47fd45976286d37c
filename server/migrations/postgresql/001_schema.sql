-- Members, their scores, the released builds and the operator's log of refused forms.
CREATE TABLE users (
  id            BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  email         TEXT NOT NULL,
  email_key     TEXT NOT NULL UNIQUE,
  nick          TEXT NOT NULL,
  nick_key      TEXT NOT NULL UNIQUE,
  password_hash TEXT NOT NULL,
  referrer_key  TEXT NOT NULL DEFAULT '',
  created_at    BIGINT NOT NULL
);
CREATE INDEX users_referrer ON users (referrer_key);

CREATE TABLE scores (
  id        BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  user_id   BIGINT NOT NULL REFERENCES users (id) ON DELETE CASCADE,
  score     BIGINT NOT NULL,
  play_time BIGINT NOT NULL,
  day       TEXT NOT NULL,
  week      TEXT NOT NULL,
  at        BIGINT NOT NULL,
  integrity BIGINT NOT NULL,
  length    BIGINT NOT NULL
);
CREATE INDEX scores_day ON scores (day, user_id, score);
CREATE INDEX scores_week ON scores (week, user_id, score);
CREATE INDEX scores_user ON scores (user_id);

CREATE TABLE rejected (
  id      BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  at      BIGINT NOT NULL,
  address TEXT NOT NULL,
  reason  TEXT NOT NULL,
  email   TEXT NOT NULL,
  user_id BIGINT NOT NULL,
  score   BIGINT NOT NULL
);
CREATE INDEX rejected_user ON rejected (user_id);

CREATE TABLE builds (
  id        BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  integrity BIGINT NOT NULL,
  length    BIGINT NOT NULL,
  platform  TEXT NOT NULL,
  version   TEXT NOT NULL,
  file_name TEXT NOT NULL,
  added_at  BIGINT NOT NULL,
  UNIQUE (integrity, length)
);

CREATE TABLE reset_tokens (
  token_hash TEXT PRIMARY KEY,
  user_id    BIGINT NOT NULL REFERENCES users (id) ON DELETE CASCADE,
  created_at BIGINT NOT NULL,
  expires_at BIGINT NOT NULL
);
CREATE INDEX reset_tokens_user ON reset_tokens (user_id, created_at);
