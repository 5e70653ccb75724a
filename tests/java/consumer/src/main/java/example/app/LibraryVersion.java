package example.app;

import com.quon.vop.Runtime;

/** A user's program: names itself to libquonvop4j and prints the library's version. */
public final class LibraryVersion {
    private int[] received;

    /**
     * Called by the library with its version and release date.
     *
     * @param major major version
     * @param minor minor version
     * @param build build number
     * @param revision revision
     * @param year release year
     * @param month release month
     * @param day release day
     */
    public void set(int major, int minor, int build, int revision, int year, int month, int day) {
        received = new int[] {major, minor, build, revision, year, month, day};
    }

    /**
     * Names the application and reads the library's version.
     *
     * @param application the name handed to the library
     * @return the version and release date, such as {@code 6.51.102.500 2009-10-07}
     */
    public static String read(String application) {
        Runtime runtime = new Runtime();
        int named = runtime.iSetApplicationName(application);
        LibraryVersion version = new LibraryVersion();
        int status = runtime.iGetVersion(version);
        if (named != 0 || status != 0 || version.received == null) {
            throw new IllegalStateException("libquonvop4j answered " + named + " and " + status);
        }
        int[] v = version.received;
        return String.format("%d.%d.%d.%d %04d-%02d-%02d", v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
    }

    /**
     * Prints {@code consumer: libquonvop4j <version> <date> (<os.arch>, <bits>-bit JVM)}.
     *
     * @param args not used
     */
    public static void main(String[] args) {
        System.out.println("consumer: libquonvop4j " + read("Consumer") + " ("
                + System.getProperty("os.arch") + ", "
                + System.getProperty("sun.arch.data.model") + "-bit JVM)");
    }
}
