#!/bin/sh
# Installs what is missing, builds, writes the bundled sample database and runs
# the main job on it.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/make_sample_db sample/sample.mdf
build/pagewright info sample/sample.mdf
