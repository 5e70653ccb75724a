package com.quon.vop;

import static com.quon.vop.LoadedLibraries.FOLDER_PROPERTY;
import static com.quon.vop.LoadedLibraries.LIBRARY_PROPERTY;
import static com.quon.vop.LoadedLibraries.awaitUnmapped;
import static com.quon.vop.LoadedLibraries.contents;
import static com.quon.vop.LoadedLibraries.descriptors;
import static com.quon.vop.LoadedLibraries.freshLoader;
import static com.quon.vop.LoadedLibraries.mappedCopies;
import static com.quon.vop.LoadedLibraries.newRuntime;
import static com.quon.vop.LoadedLibraries.use;
import static com.quon.vop.LoadedLibraries.useInAFreshLoader;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Collections;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.concurrent.Callable;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Application-server life: com.quon.vop.Runtime loaded from the jar with the library
 * inside, in fresh class loaders that are dropped again. Runs in a JVM whose
 * java.library.path has no library, so the loaders reach the bundled copy.
 */
class RedeployTest {
    private static final Path JAR = Paths.get(System.getenv("ORV_BUNDLED_JAR"));
    private static final Path LIBRARY = Paths.get(System.getenv("ORV_LIBRARY"));
    /**
     * Redeploys each way: fewer under the user-mode emulator (ORV_EMULATED=1), where a cycle
     * costs some twenty times more; a copy, a mapping or a descriptor left behind shows in
     * any cycle.
     */
    private static final int CYCLES = "1".equals(System.getenv("ORV_EMULATED")) ? 20 : 100;

    @TempDir Path folder;

    @BeforeEach
    void extractIntoTheTestFolder() {
        System.setProperty(FOLDER_PROPERTY, folder.toString());
        System.clearProperty(LIBRARY_PROPERTY);
    }

    @AfterEach
    void clearProperties() {
        System.clearProperty(FOLDER_PROPERTY);
        System.clearProperty(LIBRARY_PROPERTY);
    }

    private void redeploy(String expectedPrefix, boolean deleted) throws Exception {
        List<String> descriptorsBefore = descriptors();
        Set<String> seen = new HashSet<>();
        for (int cycle = 0; cycle < CYCLES; cycle++) {
            String copy = useInAFreshLoader(JAR, folder, "cycle " + cycle);
            assertTrue(copy.startsWith(expectedPrefix), copy);
            assertEquals(deleted, copy.endsWith(" (deleted)"), copy);
            if (deleted) assertTrue(seen.add(copy), "a copy's name came back: " + copy);
            awaitUnmapped(copy);
        }
        assertEquals(Collections.emptySet(), mappedCopies());
        assertEquals(Collections.emptyList(), contents(folder));
        assertEquals(descriptorsBefore, descriptors());
    }

    @Test
    void bundledCopyRedeploysLeaveNothing() throws Exception {
        redeploy(folder.resolve("quonvop4j-").toString(), true);
    }

    /** A copy of the build's library in a folder of its own, outside the extraction folder. */
    private static Path copyOfTheLibrary(Path named) throws Exception {
        return Files.copy(LIBRARY, named.resolve("libquonvop4j.so"));
    }

    @Test
    void namedLibraryRedeploysLeaveNothing(@TempDir Path named) throws Exception {
        Path file = copyOfTheLibrary(named);
        System.setProperty(LIBRARY_PROPERTY, file.toString());
        redeploy(file.toString(), false);
    }

    /**
     * Two loaders load the library at the same moment and use it side by side. Returns
     * their copies; nothing of theirs outlives the call, so both can be collected.
     */
    private Set<String> deployTwoAtOnce() throws Exception {
        Set<String> before = mappedCopies();
        ExecutorService threads = Executors.newFixedThreadPool(2);
        try (URLClassLoader a = freshLoader(JAR); URLClassLoader b = freshLoader(JAR)) {
            CountDownLatch start = new CountDownLatch(1);
            Callable<Object> loadA = () -> { start.await(); return newRuntime(a); };
            Callable<Object> loadB = () -> { start.await(); return newRuntime(b); };
            Future<Object> runtimeA = threads.submit(loadA);
            Future<Object> runtimeB = threads.submit(loadB);
            start.countDown();
            use(runtimeA.get(), "first");
            use(runtimeB.get(), "second");
            assertNotEquals(runtimeA.get().getClass(), runtimeB.get().getClass());
            assertEquals(Collections.emptyList(), contents(folder));
            Set<String> copies = mappedCopies();
            copies.removeAll(before);
            return copies;
        } finally {
            threads.shutdown();
        }
    }

    @Test
    void twoClassLoadersAtOnceHaveACopyEach() throws Exception {
        List<String> descriptorsBefore = descriptors();
        Set<String> copies = deployTwoAtOnce();
        assertEquals(2, copies.size(), copies.toString());
        for (String copy : copies) {
            assertTrue(copy.startsWith(folder.resolve("quonvop4j-").toString()), copy);
            assertTrue(copy.endsWith(" (deleted)"), copy);
        }
        for (String copy : copies) awaitUnmapped(copy);
        assertEquals(descriptorsBefore, descriptors());
    }

    @Test
    void namedLibraryIsTheOnlyPlaceTried() throws Exception {
        Path missing = folder.resolve("missing").resolve("libquonvop4j.so");
        System.setProperty(LIBRARY_PROPERTY, missing.toString());
        Set<String> before = mappedCopies();
        try (URLClassLoader loader = freshLoader(JAR)) {
            UnsatisfiedLinkError e = assertThrows(UnsatisfiedLinkError.class, () -> newRuntime(loader));
            assertTrue(e.getMessage().contains(LIBRARY_PROPERTY + "=" + missing), e.getMessage());
        }
        // Not even extracted: the bundled copy was not tried.
        assertEquals(Collections.emptyList(), contents(folder));
        assertEquals(before, mappedCopies());
    }

    /** Loads the named file in one loader and tries it in a second while the first holds it. */
    private UnsatisfiedLinkError secondLoaderOfOneFile() throws Exception {
        try (URLClassLoader a = freshLoader(JAR); URLClassLoader b = freshLoader(JAR)) {
            use(newRuntime(a), "holds the file");
            return assertThrows(UnsatisfiedLinkError.class, () -> newRuntime(b));
        }
    }

    @Test
    void namedLibraryInUseByAnotherLoaderIsRefusedClearly(@TempDir Path named) throws Exception {
        Path file = copyOfTheLibrary(named);
        System.setProperty(LIBRARY_PROPERTY, file.toString());
        UnsatisfiedLinkError e = secondLoaderOfOneFile();
        assertTrue(e.getMessage().contains("another classloader"), e.getMessage());
        assertTrue(e.getMessage().contains(LIBRARY_PROPERTY), e.getMessage());
        awaitUnmapped(file.toString());
        assertEquals(Collections.emptyList(), contents(folder));
    }
}
