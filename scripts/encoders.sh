# Sourced by scripts/setup: builds the encoders the recorder links to, from Debian's source packages,
# for both architectures, into .cache/encoders/<version>/<triplet>/:
#   libFLAC (BSD)   a static library the programs link in
#   libmp3lame (LGPL) libmp3lame.dll, loaded at run time from the program's
#                   folder, and its header
# A second run with everything in place builds nothing (scripts/setup
# install); the first failure is one line.
LAME_VERSION=3.100-6
FLAC_VERSION=1.4.2+ds-2
ENC_OUT="$TALVO_CACHE/encoders"
ENC_SRC="$ENC_OUT/src"
stamp_of() { printf 'lame-%s flac-%s build-1\n' "$LAME_VERSION" "$FLAC_VERSION"; }
fail() { log "error: $*"; exit 1; }

# The triplet a toolchain file names.
triplet_of() { sed -n 's/^set(TALVO_TRIPLET \(.*\))$/\1/p' "$TALVO_ROOT/cmake/$1"; }

# A deb-src entry for the suites of the machine's own Debian entries.
ensure_deb_src() {
    local list=/etc/apt/sources.list.d/talvo-src.sources
    apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources && return 0
    [ -f /etc/apt/sources.list.d/debian.sources ] || fail "no /etc/apt/sources.list.d/debian.sources to take the suites from"
    log "adding the deb-src entries of the Debian suites ($list)"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    apt_update
}

# The source packages, pinned, checked by apt against the signed index; a
# mirror being synced is tried again.
fetch_sources() {
    local try
    mkdir -p "$ENC_SRC"
    if ls "$ENC_SRC"/lame_3.100.orig.tar.gz "$ENC_SRC"/flac_1.4.2+ds.orig.tar.xz >/dev/null 2>&1; then return 0; fi
    ensure_deb_src
    # apt's own user downloads into a folder it can write.
    chown _apt "$ENC_SRC" 2>/dev/null || true
    for try in 1 2 3; do
        (cd "$ENC_SRC" && LC_ALL=C apt-get source -q --download-only "lame=$LAME_VERSION" "flac=$FLAC_VERSION" \
            >"$ENC_OUT/fetch.log" 2>&1) && return 0
        [ "$try" = 3 ] || { log "apt-get source failed; trying again in ${TALVO_APT_PAUSE:-5} s"; sleep "${TALVO_APT_PAUSE:-5}"; \
            $sudo apt-get update -q >/dev/null 2>&1 || true; }
    done
    fail "could not fetch the lame $LAME_VERSION and flac $FLAC_VERSION sources: $(grep -m1 -E '^(E|Err):' "$ENC_OUT/fetch.log" | cut -c1-160)"
}

unpack() {
    local work="$1"
    rm -rf "$work"; mkdir -p "$work"
    tar -xzf "$ENC_SRC/lame_3.100.orig.tar.gz" -C "$work"
    tar -xJf "$ENC_SRC/flac_1.4.2+ds.orig.tar.xz" -C "$work"
}

# libmp3lame: a static library first, then the DLL from it with exactly the
# exports of its own symbol list, libgcc linked in.
build_lame() {
    local t="$1" out="$2" work="$3" b="$3/lame-$1"
    cp -a "$work/lame-3.100" "$b"
    (cd "$b" && ./configure --host="$t" CC="/usr/bin/$t-gcc-posix" CFLAGS="-O2" \
        --disable-shared --enable-static --disable-frontend --disable-decoder --disable-gtktest \
        --prefix="$out" && make -j"$(nproc)" -C libmp3lame && make -C include install && make -C libmp3lame install) \
        >"$work/lame-$t.log" 2>&1 || fail "libmp3lame did not build for $t (see $work/lame-$t.log)"
    { echo EXPORTS; grep -Ev '^(hip_|lame_decode|lame_init_old$)' "$b/include/libmp3lame.sym"; } > "$work/libmp3lame-$t.def"
    "/usr/bin/$t-gcc-posix" -shared -o "$out/bin/libmp3lame.dll" "$work/libmp3lame-$t.def" \
        -Wl,--whole-archive "$out/lib/libmp3lame.a" -Wl,--no-whole-archive -static-libgcc -static -lssp \
        >>"$work/lame-$t.log" 2>&1 || fail "libmp3lame.dll did not link for $t (see $work/lame-$t.log)"
}

# libFLAC with its own CMake build and the project's toolchain file; the
# toolchain's Shift-JIS flags are the program's, not the library's.
build_flac() {
    local t="$1" out="$2" work="$3" toolchain="$4"
    cmake -S "$work/flac-1.4.2" -B "$work/flac-$t" -DCMAKE_TOOLCHAIN_FILE="$TALVO_ROOT/cmake/$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="-O2" -DCMAKE_INSTALL_PREFIX="$out" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF \
        -DBUILD_CXXLIBS=OFF -DWITH_OGG=OFF -DINSTALL_MANPAGES=OFF -DINSTALL_PKGCONFIG_MODULES=OFF \
        -DINSTALL_CMAKE_CONFIG_MODULE=OFF >"$work/flac-$t.log" 2>&1 &&
    cmake --build "$work/flac-$t" -j"$(nproc)" >>"$work/flac-$t.log" 2>&1 &&
    cmake --install "$work/flac-$t" >>"$work/flac-$t.log" 2>&1 ||
        fail "libFLAC did not build for $t (see $work/flac-$t.log)"
}

do_encoders() {
    local toolchain t out work
    for toolchain in mingw-x86_64.cmake mingw-i686.cmake; do
        t="$(triplet_of "$toolchain")"
        out="$ENC_OUT/$t"
        [ -f "$out/.stamp" ] && [ "$(cat "$out/.stamp")" = "$(stamp_of)" ] && continue
        fetch_sources
        log "building libmp3lame ${LAME_VERSION%-*} and libFLAC ${FLAC_VERSION%+*} for $t"
        work="$ENC_OUT/work"
        unpack "$work"
        rm -rf "$out"; mkdir -p "$out/bin"
        build_lame "$t" "$out" "$work"
        build_flac "$t" "$out" "$work" "$toolchain"
        cp "$work/lame-3.100/COPYING" "$out/COPYING.libmp3lame"
        cp "$work/flac-1.4.2/COPYING.Xiph" "$out/COPYING.libFLAC"
        stamp_of > "$out/.stamp"
        rm -rf "$work"
    done
}
