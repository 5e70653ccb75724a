package com.quon.vop;

/**
 * The jar's main class: loads the native library, names the application and prints the
 * library's version, such as
 * {@code Application Demo uses libquonvop4j 6.51.102.500, released 2009-10-07 (amd64, 64-bit JVM)}.
 */
public final class Demo {
    /** Receives the version record from the library. */
    static final class Version {
        int major, minor, build, revision, year, month, day;

        public void set(int major, int minor, int build, int revision, int year, int month, int day) {
            this.major = major;
            this.minor = minor;
            this.build = build;
            this.revision = revision;
            this.year = year;
            this.month = month;
            this.day = day;
        }
    }

    private Demo() {}

    /**
     * Prints the version line on standard output, or, when the library answers with another
     * status than 0, a line with both statuses on standard error and ends the JVM with exit
     * status 1.
     *
     * @param args the application's name as the first argument ({@code Demo} when there is
     *     none); further arguments are ignored
     * @throws UnsatisfiedLinkError when the library could not be loaded (see {@link Runtime})
     */
    public static void main(String[] args) {
        Runtime runtime = new Runtime();
        String name = args.length > 0 ? args[0] : "Demo";
        int named = runtime.iSetApplicationName(name);
        Version version = new Version();
        int status = runtime.iGetVersion(version);
        if (named != 0 || status != 0) {
            System.err.printf("libquonvop4j answered %d and %d%n", named, status);
            System.exit(1);
        }
        System.out.printf("Application %s uses libquonvop4j %d.%d.%d.%d, released %04d-%02d-%02d (%s, %s-bit JVM)%n",
                name, version.major, version.minor, version.build, version.revision,
                version.year, version.month, version.day,
                System.getProperty("os.arch"), System.getProperty("sun.arch.data.model"));
    }
}
