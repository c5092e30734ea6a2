# Sourced by the end-to-end scripts: the Wine environment of one build's test prefix.
# The caller sets e2e_state to the folder that holds the prefix and the isolated home.
export WINEPREFIX="$e2e_state/prefix"
export HOME="$e2e_state/home"
export WINEARCH=win32
# err+module: a missing library would otherwise end a program silently.
export WINEDEBUG=-all,err+module
# No menu entries in the host's home, no download prompts for .NET or HTML support.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
