# Sourced by the corpus scripts: a program folder of its own under $WORK
# holding the built tool chain ($BUILD) and the installation's defaults, an
# empty settings file, and the environment programs run in.
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR"
ln -s "$BUILD/bin" "$HOME_DIR/bin"
ln -s "$BUILD/runtime" "$HOME_DIR/runtime"
export ZIDE_HOME="$HOME_DIR" ZIDE_REGISTRY="$HOME_DIR/registry.reg"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
if [ -f "$BUILD/defaults.reg" ]; then
    ln -s "$BUILD/defaults.reg" "$HOME_DIR/defaults.reg"
elif [ -x "$BUILD/zide-setup" ]; then
    "$BUILD/zide-setup" >/dev/null
else
    echo "$(basename "$0"): neither $BUILD/defaults.reg nor $BUILD/zide-setup" >&2
    exit 2
fi
# Dialogs of programs without a console close themselves with their default.
export ZBL_DIALOG_AUTOCLOSE_MS=50
