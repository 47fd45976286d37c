-- Every recorded game a score came with, kept once: its bytes, so that the
-- service can play it again after a rules change, and the member it counts
-- for, so that no other member can send the same game as theirs.
CREATE TABLE replays (
  sha256   TEXT PRIMARY KEY,
  user_id  INTEGER NOT NULL REFERENCES users (id) ON DELETE CASCADE,
  bytes    BLOB NOT NULL,
  added_at INTEGER NOT NULL
);
