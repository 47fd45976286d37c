-- An address counts for the lists, the bonus list and invitations once its
-- owner has followed the mailed link. Members from before were trusted as
-- they were and stay so.
ALTER TABLE users ADD COLUMN confirmed_at BIGINT;
ALTER TABLE users ADD COLUMN confirm_hash TEXT;
UPDATE users SET confirmed_at = created_at;
CREATE UNIQUE INDEX users_confirm_hash ON users (confirm_hash);
