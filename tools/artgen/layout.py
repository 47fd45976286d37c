"""Where things stand in the 424 x 300 frame, per bar (lane 0 is the top bar).

The game places figures by the centre of their pictures; these numbers are
the game's own, and the room is drawn around them."""

LANES = range(4)

MUG_Y = [68, 109, 155, 209]          # centre of a mug picture (54 x 41)
CUST_Y = [52, 91, 135, 187]          # centre of a customer picture (64 x 72)
DOOR_X = [80, 65, 55, 42]            # customers appear here
WALL_X = [65, 53, 41, 30]            # a full mug left of this breaks
MUG_LAUNCH_X = [300, 305, 310, 315]
MUG_END_X = [305, 310, 315, 320]     # an empty mug right of this falls
CUST_END_X = [300, 305, 310, 315]

IDLE = [(320, 75), (326, 114), (332, 162), (338, 210)]
POUR = [(327, 77), (335, 115), (348, 164), (360, 214)]
PUSH = [(315, 75), (321, 114), (327, 162), (333, 210)]

# Row of a customer picture where the counter starts to hide him: the
# figure is drawn down to CUT - 1.
CUST_CUT = 66

# First frame row below a mug standing on the bar, and the counter's rows.
COUNTER_TOP = [int(y - 20.5) + 41 for y in MUG_Y]      # 88, 129, 175, 229
SURFACE_Y = [y - 36 + CUST_CUT for y in CUST_Y]        # 82, 121, 165, 217
PANEL_H = 12                                            # front panel rows
COUNTER_LEFT = [x - 12 for x in WALL_X]                 # 53, 41, 29, 18
COUNTER_RIGHT = [x + 3 for x in MUG_END_X]              # 308, 313, 318, 323

# In the pouring picture the mug under the tap is centred at this column,
# and the tap's spout ends just above its foam at this row.
POUR_MUG_X = 55
POUR_SPOUT_ROW = 44
TAP_X = [x - 33 + POUR_MUG_X for x, _ in POUR]
SPOUT_Y = [y - 52 + POUR_SPOUT_ROW for _, y in POUR]

STRIP_Y = 270                         # the dark strip with score and lives
SCORE_X, SCORE_Y = 220, 276
LIVES_X, LIVES_Y = 328, 276


def band_top(lane):
    """First row of the back wall seen behind a bar."""
    return 0 if lane == 0 else COUNTER_TOP[lane - 1] + PANEL_H


def top_left(cx, cy, w, h):
    """Top-left of a picture of size (w, h) centred at (cx, cy), as the game
    computes it (truncation towards zero)."""
    return int(cx - w * 0.5), int(cy - h * 0.5)
