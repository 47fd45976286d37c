-- Whether a score came with its recorded game and the service played it to
-- that score, and which game it was (SHA-256 of the file, lowercase hex).
-- Scores from before came without one.
ALTER TABLE scores ADD COLUMN verified INTEGER NOT NULL DEFAULT 0;
ALTER TABLE scores ADD COLUMN replay_sha256 TEXT;
