#!/usr/bin/env bash
# How this machine runs i386 programs: scripts/foreign-arch.sh for i386,
# under the names the scripts have long used.
#
#   bash scripts/i386.sh status       as bash scripts/foreign-arch.sh i386 status
#   bash scripts/i386.sh register     ... i386 register
#   bash scripts/i386.sh unregister   ... i386 unregister
#
# Sourced, it gives i386_begin, i386_end, i386_mode, i386_plan,
# i386_register, i386_unregister, i386_mode_line, i386_handler_for and
# i386_forced, with their results in I386_MODE, I386_VIA and I386_REASON,
# and the emulator in I386_EMULATOR (package I386_EMULATOR_PACKAGE).
# shellcheck source=scripts/foreign-arch.sh
source "$(dirname "${BASH_SOURCE[0]}")/foreign-arch.sh"

foreign_arch i386
# shellcheck disable=SC2034  # for the scripts that source this file
I386_EMULATOR=$FA_EMULATOR
# shellcheck disable=SC2034
I386_EMULATOR_PACKAGE=$FOREIGN_EMULATOR_PACKAGE

i386_begin() { foreign_begin i386; }
i386_end() { foreign_end i386; }
i386_mode() { foreign_mode i386; }
i386_plan() { foreign_plan i386; }
i386_register() { foreign_register i386; }
i386_unregister() { foreign_unregister i386; }
i386_mode_line() { foreign_mode_line i386; }
i386_handler_for() { foreign_handler_for "$@"; }
i386_forced() { foreign_arch i386 && foreign_forced; }

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  FOREIGN_USAGE="status|register|unregister"
  foreign_command i386 "$@"
  exit
fi
