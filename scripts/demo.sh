#!/bin/bash
# Runs the demo script through Wine's cscript against the registered library.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
script="$here/../examples/demo.vbs"
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
exec "$here/../cmake/wine-run.sh" cscript //nologo "Z:${script//\//\\}" "$@"
