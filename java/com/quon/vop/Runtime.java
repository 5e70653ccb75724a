package com.quon.vop;

/**
 * The Java face of the native library libquonvop4j: it hands the library's version to an
 * object of the caller's choosing and keeps the name of the Java application.
 *
 * <h2>Where the library comes from</h2>
 *
 * <p>Initialising this class, which the first {@code new Runtime()} does, loads the library
 * for the class loader that holds the class, from the first of these that applies:
 *
 * <ol>
 *   <li>the file named by the system property {@code com.quon.vop.library} (a relative name is
 *       taken from the current folder); when the property is set, nothing else is tried;
 *   <li>{@code libquonvop4j.so} on {@code java.library.path} (Debian's JVMs search
 *       {@code /usr/lib/<triplet>/jni}, where the Debian package installs it); a file there that
 *       does not load, one of another architecture say, does not stop the next step;
 *   <li>the copy in the jar for this JVM, {@code native/linux-<arch>/libquonvop4j.so}, where
 *       {@code <arch>} follows the property {@code os.arch}: {@code amd64} and {@code x86_64}
 *       take {@code linux-x86_64}, {@code i386} to {@code i686} and {@code x86} take
 *       {@code linux-i386}, any other name its own folder. It is written into a new folder
 *       {@code quonvop4j-<hex>} that only the user may enter, below the folder named by
 *       {@code com.quon.vop.tmpdir}, under a temporary name and readable only by the user;
 *       checked against the size and CRC-32 recorded in the jar beside it; renamed to
 *       {@code libquonvop4j.so}; loaded; and removed with its folder at once, loaded or not.
 *       Nothing stays on disk while the library is in use, and a partly written copy is never
 *       loaded.
 * </ol>
 *
 * <table class="striped">
 *   <caption>System properties read when the class is initialised</caption>
 *   <thead>
 *     <tr><th scope="col">property</th><th scope="col">default</th><th scope="col">chooses</th></tr>
 *   </thead>
 *   <tbody>
 *     <tr><th scope="row">{@code com.quon.vop.library}</th><td>not set</td>
 *         <td>the library file to load; when set, the only place tried</td></tr>
 *     <tr><th scope="row">{@code com.quon.vop.tmpdir}</th><td>{@code java.io.tmpdir}</td>
 *         <td>where the copy in the jar is extracted: a folder the user may write, on a file
 *             system not mounted {@code noexec}</td></tr>
 *   </tbody>
 * </table>
 *
 * <p>When nothing loads, initialising the class throws an {@link UnsatisfiedLinkError} whose
 * message lists each step with its reason and names the property that changes it; the JVM
 * does not initialise a class twice, so every later use of the class by the same class loader
 * throws {@link NoClassDefFoundError}. A JVM of an architecture the jar does not carry, a
 * full or read-only extraction folder, one the user may not write, one on a file system
 * mounted {@code noexec} and a damaged jar (a library shorter, longer or other than its record,
 * a record that cannot be read) all end this way: whatever exception a step raises ends in
 * this error, with the step's line saying what it was; only the JVM's own errors
 * ({@link OutOfMemoryError} and its kin) pass unchanged.
 *
 * <h2>Security manager</h2>
 *
 * <p>Under a security manager (Java 8 to 23) the loading runs with the jar's own permissions,
 * whatever code first uses this class: a policy that grants the jar's code base
 * {@code AllPermission} lets the library load for application code granted less. Where the
 * jar itself lacks a permission a step needs (reading its system properties,
 * {@code loadLibrary}, the files below the extraction folder), that step fails and the error
 * lists the refusal; a property the jar may not read counts as not set.
 *
 * <h2>Class loaders</h2>
 *
 * <p>Each class loader that loads this class has a library of its own, with its own
 * application name: the JVM gives one library file to one class loader, so while one class
 * loader holds the file found on {@code java.library.path}, every other class loader alive at
 * the same time extracts its own copy from the jar. When a class loader is collected, the JVM
 * unloads its copy.
 *
 * <h2>Native access</h2>
 *
 * <p>JDK 22 and later warn when a library is loaded without native access enabled. The jar's
 * manifest enables it for {@code java -jar}; a program with the jar on its class path runs
 * {@code java --enable-native-access=ALL-UNNAMED}, and on the module path
 * {@code --enable-native-access=com.quon.vop}. Older JDKs need nothing.
 *
 * <h2>Threads</h2>
 *
 * <p>Any number of threads may call both methods at once, on one instance or on several. No
 * C++ exception and no crash reaches the JVM from either method: each answers with a status.
 */
public class Runtime {
    static {
        LibraryLoader.load();
    }

    /**
     * Makes an instance. The library keeps no state per instance: every instance of this class
     * loader reaches the same library and the same application name.
     *
     * @throws UnsatisfiedLinkError on the first use of the class when the library could not be
     *     loaded; its message says what was tried (see the class description)
     * @throws NoClassDefFoundError on every later use once the library could not be loaded
     */
    public Runtime() {}

    /**
     * Hands the library's version and release date to {@code target}: calls its instance
     * method {@code set(int major, int minor, int build, int revision, int year, int month,
     * int day)} once, on the calling thread, with the four parts of the version (such as
     * 6, 51, 102, 500) and the release date (year, month from 1, day of the month). The method
     * may be declared in the target's class or inherited; a static {@code set} does not
     * count.
     *
     * @param target the object that receives the version, or null
     * @return 0 when {@code set} was called and returned; 1 when {@code target} is null
     *     (nothing is called)
     * @throws NoSuchMethodError when the target's class has no such instance method; nothing is
     *     called (the library answers 2, which the error takes the place of)
     * @throws RuntimeException whatever {@code set} throws reaches the caller unchanged (an
     *     {@link Error} too)
     */
    public native int iGetVersion(Object target);

    /**
     * Stores the name of the Java application in the library, in place of the one stored
     * before, as the JVM gives its characters (modified UTF-8). C++ code in the same process
     * reads it; any length and any characters are taken, the empty name and {@code U+0000}
     * included.
     *
     * @param name the application's name, or null
     * @return 0 when stored; 1 when {@code name} is null; 2 when the library had no memory for
     *     its copy. With 1 and 2 the name stored before is kept.
     * @throws OutOfMemoryError when the JVM has no memory for the name's characters (the name
     *     stored before is kept)
     */
    public native int iSetApplicationName(String name);
}
