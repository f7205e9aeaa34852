#!/bin/sh
# Installs what is missing, builds, writes the bundled sample database and runs
# the main job on it: the scan workflow (output lines, activity log in sample/,
# object tree), then a look at one table and one view.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/make_sample_db sample/sample.mdf
build/pagewright scan --log-dir sample sample/sample.mdf
echo
echo "== rows of the table Customers"
build/pagewright rows sample/sample.mdf Customers
echo
echo "== definition of the view CustomerCities"
build/pagewright definition sample/sample.mdf CustomerCities
