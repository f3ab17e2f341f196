#!/usr/bin/env bash
# Installs what is missing, builds, and starts the application with a simulated dive computer in
# range on this user's virtual IrDA bus. The simulator keeps its storage between runs and is
# stopped when the application ends.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target orvanel-config orvanel-devsim

state="${XDG_DATA_HOME:-$HOME/.local/share}/orvanel-config/simulated-device"
mkdir -p "$state"
build/orvanel-devsim --state "$state" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT

build/orvanel-config
