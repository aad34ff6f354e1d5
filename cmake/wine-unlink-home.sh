#!/bin/bash
# A new Wine prefix links the user's Desktop, Documents and other shell folders
# to the Linux home folder; make them plain folders of the prefix, so that
# what the tests write there stays inside the build tree.
set -e
for link in "$1"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    rm "$link"
    mkdir -p "$link"
  fi
done
