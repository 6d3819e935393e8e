# Checks a screenshot of the real window: the plot area shows the placeholder map.
#   check_placeholder.py XWD_PY SCREEN.xwd WINDOW_INFO
import importlib.util
import re
import sys

module_spec = importlib.util.spec_from_file_location("xwd", sys.argv[1])
xwd = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(xwd)
width, height, rows = xwd.read(sys.argv[2])
info = open(sys.argv[3]).read()
field = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
x0, y0 = field("Absolute upper-left X"), field("Absolute upper-left Y")
w, h = field("Width"), field("Height")
if w < 400 or h < 300:
    sys.exit("the window is only %d x %d" % (w, h))
# The plot area: below the two rows of controls, above the status bar.
from collections import Counter
counts = Counter()
for y in range(y0 + int(0.2 * h), y0 + int(0.85 * h), 3):
    for x in range(x0 + int(0.05 * w), x0 + int(0.95 * w), 3):
        counts[rows[y][x]] += 1
total = sum(counts.values())
(r, g, b), most = counts.most_common(1)[0]
print("window %dx%d at %d,%d; %d colours in the plot area; the commonest %s covers %.0f %%"
      % (w, h, x0, y0, len(counts), (r, g, b), 100.0 * most / total))
if len(counts) < 2:
    sys.exit("the plot area shows one colour")
# The placeholder map is drawn in the colour the hue map gives below its range (HSV 0, 150, 200):
# it must fill much of the area, so that the colours seen are the plot's and not a blank window.
if not (abs(r - 200) <= 3 and abs(g - 82) <= 3 and abs(b - 82) <= 3 and most > 0.3 * total):
    sys.exit("the plot area does not show the placeholder map")
