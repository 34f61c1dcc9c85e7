# Windows text as the program and its users read it: Shift_JIS (code page 932), CR LF.
# shellcheck shell=bash

# Standard input, UTF-8 text with LF, to standard output as Shift_JIS with CR LF.
to_windows_text() {
  iconv -f UTF-8 -t CP932 | sed 's/$/\r/'
}

# A Windows text file (FILE, else standard input) as UTF-8 with LF.
from_windows_text() {
  iconv -f CP932 -t UTF-8 "$@" | tr -d '\r'
}

# copy_as_windows_text FOLDER FILE...: each FILE (UTF-8) into FOLDER, as Windows text.
copy_as_windows_text() {
  local folder=$1 file
  shift
  for file in "$@"; do
    # shellcheck disable=SC2094 # FOLDER is never the file's own
    to_windows_text <"$file" >"$folder/$(basename "$file")"
  done
}
