package com.quon.vop;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.fail;

import java.io.IOException;
import java.lang.reflect.InvocationTargetException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.Set;
import java.util.TreeSet;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * What this JVM's /proc/self tells about copies of the library, and fresh class
 * loaders that load com.quon.vop.Runtime from a jar as an application server does.
 */
final class LoadedLibraries {
    static final String LIBRARY_PROPERTY = "com.quon.vop.library";
    static final String FOLDER_PROPERTY = "com.quon.vop.tmpdir";
    /** The version record the library must hand over, as the build defines it. */
    static final int[] VERSION = Arrays.stream(System.getenv("ORV_VERSION_RECORD").split(","))
            .mapToInt(Integer::parseInt).toArray();

    private static final Pattern MAPPING =
            Pattern.compile("^\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s+\\S+\\s+(/.*)$");

    private LoadedLibraries() {}

    /** Receives the version record from the library. */
    static class Recorder {
        int[] received;

        public void set(int a, int b, int c, int d, int e, int f, int g) {
            received = new int[] {a, b, c, d, e, f, g};
        }
    }

    /** The files named libquonvop4j.so mapped into this process, " (deleted)" kept. */
    static Set<String> mappedCopies() throws IOException {
        Set<String> copies = new TreeSet<>();
        for (String line : Files.readAllLines(Paths.get("/proc/self/maps"))) {
            Matcher m = MAPPING.matcher(line);
            if (!m.matches()) continue;
            String path = m.group(1);
            String file = path.endsWith(" (deleted)")
                    ? path.substring(0, path.length() - " (deleted)".length()) : path;
            if (file.endsWith("/libquonvop4j.so")) copies.add(path);
        }
        return copies;
    }

    /** What this process's descriptors refer to, sorted. */
    static List<String> descriptors() throws IOException {
        List<String> targets = new ArrayList<>();
        try (DirectoryStream<Path> fds = Files.newDirectoryStream(Paths.get("/proc/self/fd"))) {
            for (Path fd : fds) {
                try {
                    targets.add(Files.readSymbolicLink(fd).toString());
                } catch (IOException e) {
                    // The descriptor of the listing itself is gone by now.
                }
            }
        }
        targets.sort(null);
        return targets;
    }

    /** A class loader over the jar alone: nothing of com.quon.vop comes from a parent. */
    static URLClassLoader freshLoader(Path jar) throws IOException {
        return new URLClassLoader(new URL[] {jar.toUri().toURL()},
                ClassLoader.getSystemClassLoader().getParent());
    }

    /** Loads and initialises com.quon.vop.Runtime in the loader and makes one instance. */
    static Object newRuntime(ClassLoader loader) throws Exception {
        try {
            return Class.forName("com.quon.vop.Runtime", true, loader)
                    .getConstructor().newInstance();
        } catch (InvocationTargetException e) {
            throw (Exception) e.getCause();
        }
    }

    /** Calls both native methods of a Runtime of any class loader and checks the answers. */
    static void use(Object runtime, String name) throws Exception {
        Class<?> type = runtime.getClass();
        assertEquals(0, type.getMethod("iSetApplicationName", String.class).invoke(runtime, name));
        Recorder recorder = new Recorder();
        assertEquals(0, type.getMethod("iGetVersion", Object.class).invoke(runtime, recorder));
        assertEquals(VERSION.length, recorder.received.length);
        for (int i = 0; i < VERSION.length; i++) assertEquals(VERSION[i], recorder.received[i]);
    }

    /**
     * Loads and uses com.quon.vop.Runtime in a fresh class loader over the jar and drops the
     * loader again. The extraction folder must be empty while the library is loaded. Returns
     * the copy that was mapped meanwhile.
     */
    static String useInAFreshLoader(Path jar, Path extractionFolder, String name)
            throws Exception {
        Set<String> before = mappedCopies();
        try (URLClassLoader loader = freshLoader(jar)) {
            use(newRuntime(loader), name);
            assertEquals(Collections.emptyList(), contents(extractionFolder),
                    "left on disk while loaded");
            return newCopy(before);
        }
    }

    /** The one copy mapped now that was not mapped before. */
    static String newCopy(Set<String> before) throws IOException {
        Set<String> now = mappedCopies();
        now.removeAll(before);
        assertEquals(1, now.size(), "new copies of the library: " + now);
        return now.iterator().next();
    }

    /** Collects garbage until the copy is unmapped: its class loader is gone and dlclose ran. */
    static void awaitUnmapped(String copy) throws Exception {
        for (int i = 0; i < 500; i++) {
            if (!mappedCopies().contains(copy)) return;
            System.gc();
            Thread.sleep(10);
        }
        fail(copy + " is still mapped after its class loader was dropped");
    }

    /** The names in a folder. */
    static List<String> contents(Path folder) throws IOException {
        List<String> names = new ArrayList<>();
        try (DirectoryStream<Path> entries = Files.newDirectoryStream(folder)) {
            for (Path entry : entries) names.add(entry.getFileName().toString());
        }
        return names;
    }
}
