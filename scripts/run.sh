#!/usr/bin/env bash
# Installs the dependencies, builds Vornix, prepares a demo program folder with a demo
# taxpayer certificate, starts the local EET test service and then Vornix on that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

BUILD=${VORNIX_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD"

DEMO=${VORNIX_DEMO_DIR:-$PWD/demo}
mkdir -p "$DEMO"
# The demo folder gets the program's templates and help; its database and files stay.
find "$BUILD/program" -maxdepth 1 -type f \( -name '*.vxr' -o -name 'vornix.pdf' -o -name 'README.md' \) \
  -exec cp -u {} "$DEMO"/ \;
DIC=CZ1212121218
CERT=$(sh scripts/make-demo-cert.sh "$DEMO" "$DIC" eet | tail -n 1)

PORT=${VORNIX_DEMO_PORT:-18480}
SERVICE_PID=""
if [[ -x "$BUILD/program/eet-testservice" ]]; then
  "$BUILD/program/eet-testservice" --listen "127.0.0.1:$PORT" > "$DEMO/eet-testservice.log" 2>&1 &
  SERVICE_PID=$!
  trap '[[ -n "$SERVICE_PID" ]] && kill "$SERVICE_PID" 2>/dev/null || true' EXIT
fi

"$BUILD/program/vornix-demo-setup" "$DEMO" "http://127.0.0.1:$PORT/eet/services/EETServiceSOAP/v3" \
  "$CERT" eet "$DIC"
VORNIX_HOME="$DEMO" "$BUILD/program/vornix" "$@"
