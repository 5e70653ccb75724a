package com.quon.vop;

/**
 * The Java face of the native library libquonvop4j.
 *
 * <p>Loading this class loads the library: the file named by the system property
 * {@code com.quon.vop.library} if it is set; otherwise {@code libquonvop4j.so} on
 * {@code java.library.path}; otherwise the copy in the jar for this JVM's architecture,
 * extracted below {@code com.quon.vop.tmpdir} (default {@code java.io.tmpdir}) and removed
 * once loaded. Under a security manager this runs with the jar's own permissions. When
 * none loads, an {@link UnsatisfiedLinkError} lists what was tried.
 * Each class loader that loads this class gets a library of its own.
 */
public class Runtime {
    static {
        LibraryLoader.load();
    }

    /** The library keeps no state per instance: every instance reaches the same library. */
    public Runtime() {}

    /**
     * Hands the library's version and release date to {@code target} by calling its
     * instance method {@code set(int major, int minor, int build, int revision,
     * int year, int month, int day)}.
     *
     * @return 0 when {@code set} was called; 1 when {@code target} is null;
     *     2 when its class has no such method (a {@code NoSuchMethodError} is then
     *     thrown to the caller as well)
     */
    public native int iGetVersion(Object target);

    /**
     * Stores the name of the Java application in the library.
     *
     * @return 0 when stored; 1 when {@code name} is null (the name is unchanged);
     *     2 when the name could not be copied (the name is unchanged)
     */
    public native int iSetApplicationName(String name);
}
