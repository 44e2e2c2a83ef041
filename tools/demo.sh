#!/usr/bin/env bash
# make demo: the device simulator on loopback and the program under Wine,
# connected to it and capturing.
set -euo pipefail
echo "demo: starts orvantide-devsim on loopback and Orvantide.exe under Wine capturing from it;"
echo "      the capture run and the simulator are not part of this build yet."
