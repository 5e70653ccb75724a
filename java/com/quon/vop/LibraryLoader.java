package com.quon.vop;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.URISyntaxException;
import java.net.URL;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.FileAttribute;
import java.nio.file.attribute.PosixFilePermission;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.AccessController;
import java.security.CodeSource;
import java.security.PrivilegedAction;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Locale;
import java.util.Properties;
import java.util.Set;
import java.util.jar.JarFile;
import java.util.zip.CRC32;
import java.util.zip.ZipEntry;

/**
 * Loads libquonvop4j for the class loader that holds {@link Runtime}, trying in turn:
 *
 * <ol>
 *   <li>the file named by the system property {@value #LIBRARY_PROPERTY}; when it is set,
 *       nothing else is tried;
 *   <li>{@code libquonvop4j.so} on {@code java.library.path} (Debian's JVMs search
 *       {@code /usr/lib/<triplet>/jni} there);
 *   <li>the copy bundled in the jar for this JVM's system and architecture,
 *       {@code native/<os>-<arch>/libquonvop4j.so}, read straight from the jar file that
 *       holds this class (from the class loader's resources where the class does not come
 *       from a jar file) and extracted into a new folder that only the user may enter,
 *       below the folder named by {@value #FOLDER_PROPERTY} (default {@code java.io.tmpdir}).
 *       The copy is written under a temporary name, checked against the size and CRC-32
 *       recorded beside it when the jar was built, renamed, loaded and removed again with
 *       its folder, so nothing stays on disk once it is mapped.
 * </ol>
 *
 * <p>A JVM loads one library file for one class loader only, so a second class loader
 * that finds the same file on {@code java.library.path} is refused by the JVM and falls
 * through to a bundled copy of its own.
 *
 * <p>Under a security manager the loading runs with the jar's own permissions, whatever
 * code first touched {@link Runtime}: a policy that grants the jar's code base what the
 * steps need (AllPermission, say) lets the library load for callers granted less. A
 * property the jar may not read counts as not set.
 *
 * <p>Every failure ends in an {@link UnsatisfiedLinkError} that lists each step with its
 * reason and the property that changes it: whatever an exception a step raises (a
 * security manager's refusal, a damaged record in the jar, a malformed folder name, a
 * linkage error) is caught in that step and listed. Only errors of the JVM itself
 * ({@link VirtualMachineError} such as {@link OutOfMemoryError}, {@code ThreadDeath})
 * pass unchanged: they say nothing about the library, and hiding them in a list would
 * keep the JVM running in a state it has given up on.
 */
final class LibraryLoader {
    /** Names the library file to load; when set, it is the only place tried. */
    static final String LIBRARY_PROPERTY = "com.quon.vop.library";
    /** Names the folder in which the bundled copy is extracted. */
    static final String FOLDER_PROPERTY = "com.quon.vop.tmpdir";

    private static final String NAME = "quonvop4j";
    private static final String FILE_NAME = "lib" + NAME + ".so";

    private LibraryLoader() {}

    /** Loads the library or throws an {@link UnsatisfiedLinkError} that says why not. */
    static void load() {
        final List<String> tried = new ArrayList<String>();
        UnsatisfiedLinkError error;
        try {
            // An anonymous class, not a lambda: a JVM's first lambda starts its lambda
            // machinery, which nothing else here needs.
            error = AccessController.doPrivileged(new PrivilegedAction<UnsatisfiedLinkError>() {
                @Override
                public UnsatisfiedLinkError run() {
                    return loadInTurn(tried);
                }
            });
        } catch (RuntimeException | LinkageError e) {
            // The steps catch what they raise; this is for what they did not foresee (a
            // class of this loader that cannot be loaded, say).
            tried.add("stopped by " + describe(e));
            error = failure(tried, e, "set " + LIBRARY_PROPERTY + " to a library file");
        }
        if (error != null) throw error;
    }

    /**
     * Tries each place in turn, adding a line for each to {@code tried}. Returns null once
     * the library is loaded, else the error to throw.
     */
    private static UnsatisfiedLinkError loadInTurn(List<String> tried) {
        Throwable last = null;
        boolean refused = false;

        String named = "";
        try {
            named = System.getProperty(LIBRARY_PROPERTY, "");
        } catch (SecurityException e) {
            tried.add(LIBRARY_PROPERTY + " could not be read: " + describe(e));
            last = e;
            refused = true;
        }
        if (!named.isEmpty()) {
            String path = named;
            try {
                path = new File(named).getAbsolutePath();
                System.load(path);
                return null;
            } catch (UnsatisfiedLinkError e) {
                tried.add(LIBRARY_PROPERTY + "=" + path + ": " + e.getMessage());
                return failure(tried, e, "correct or clear " + LIBRARY_PROPERTY);
            } catch (LinkageError e) {
                tried.add(LIBRARY_PROPERTY + "=" + path + ": " + describe(e));
                return failure(tried, e, "correct or clear " + LIBRARY_PROPERTY);
            } catch (RuntimeException e) {
                tried.add(LIBRARY_PROPERTY + "=" + path + ": " + describe(e));
                return failure(tried, e, remedy(e instanceof SecurityException,
                        "correct or clear " + LIBRARY_PROPERTY));
            }
        }
        if (last == null) tried.add(LIBRARY_PROPERTY + " not set");

        try {
            System.loadLibrary(NAME);
            return null;
        } catch (UnsatisfiedLinkError e) {
            // Java 8 leaves the searched folders out of the message.
            String message = String.valueOf(e.getMessage());
            if (!message.contains("java.library.path:")) {
                message += " (" + readableProperty("java.library.path") + ")";
            }
            tried.add("java.library.path: " + message);
            last = e;
        } catch (LinkageError e) {
            tried.add("java.library.path: " + describe(e));
            last = e;
        } catch (RuntimeException e) {
            tried.add("java.library.path: " + describe(e));
            last = e;
            refused |= e instanceof SecurityException;
        }

        // What the step is at, for the line that says why it stopped.
        String step = "the copy in the jar";
        String remedy = "set " + FOLDER_PROPERTY + " to a writable folder of your own"
                + " on a file system not mounted noexec, or " + LIBRARY_PROPERTY + " to a library file";
        try {
            String platform = platform();
            String resource = "native/" + platform + "/" + FILE_NAME;
            String recordName = "native/" + platform + "/lib" + NAME + ".properties";
            step = resource;
            JarFile jar = ownJar(recordName);
            try {
                Properties record = bundledRecord(jar, recordName);
                if (record == null) {
                    tried.add("no copy for " + platform + " (os.arch " + System.getProperty("os.arch")
                            + ") in the jar");
                    return failure(tried, last, remedy(refused, "set " + LIBRARY_PROPERTY
                            + " to a " + FILE_NAME + " built for this JVM or put its folder on java.library.path"));
                }
                String folder = System.getProperty(FOLDER_PROPERTY, "");
                if (folder.isEmpty()) folder = System.getProperty("java.io.tmpdir");
                step = resource + " extracted below " + folder;
                extractAndLoad(jar, resource, record, Paths.get(folder).toAbsolutePath());
                return null;
            } finally {
                if (jar != null) closeQuietly(jar);
            }
        } catch (IOException e) {
            tried.add(step + ": " + describe(e));
            last = e;
        } catch (UnsatisfiedLinkError e) {
            tried.add(step + ": " + e.getMessage());
            last = e;
        } catch (LinkageError e) {
            tried.add(step + ": " + describe(e));
            last = e;
        } catch (RuntimeException e) {
            // A file system without POSIX permissions, a malformed folder name, a
            // security manager's refusal.
            tried.add(step + ": " + describe(e));
            last = e;
            refused |= e instanceof SecurityException;
        }
        return failure(tried, last, remedy(refused, remedy));
    }

    /** The remedy, with what a security manager's refusal needs in front of it. */
    private static String remedy(boolean refused, String remedy) {
        if (!refused) return remedy;
        return "grant the jar's code base the permissions the loading needs (AllPermission, or"
                + " reading its system properties, loadLibrary and the files below the extraction"
                + " folder), or " + remedy;
    }

    /** A system property, or a note that it may not be read. */
    private static String readableProperty(String name) {
        try {
            return System.getProperty(name, "");
        } catch (SecurityException e) {
            return name + " could not be read";
        }
    }

    /**
     * The folder name of this JVM's bundled copy: the system and the architecture, with
     * the names different JVMs give the same architecture made one.
     */
    static String platform() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT).replace(" ", "");
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (arch.equals("amd64") || arch.equals("x86_64") || arch.equals("x86-64")) {
            arch = "x86_64";
        } else if (arch.equals("x86") || arch.equals("ia32")
                || (arch.length() == 4 && arch.charAt(0) == 'i' && "3456".indexOf(arch.charAt(1)) >= 0
                        && arch.endsWith("86"))) {
            arch = "i386";
        } else if (arch.equals("aarch64") || arch.equals("arm64")) {
            arch = "aarch64";
        }
        return os + "-" + arch;
    }

    /**
     * The jar file this class was loaded from, opened, when it holds {@code recordName};
     * else null, and the bundled copy is looked up as a resource of this class instead (a
     * class loader that reads classes from a folder, a jar inside another, or a jar that
     * cannot be opened here). Reading the entries straight from the jar spares a first
     * load the classes of a resource URL's connection, which no other code of a fresh JVM
     * has loaded. The jar verifies what it reads, as the connection would, if it is signed.
     */
    private static JarFile ownJar(String recordName) {
        JarFile jar = null;
        try {
            CodeSource source = LibraryLoader.class.getProtectionDomain().getCodeSource();
            URL location = source == null ? null : source.getLocation();
            if (location == null || !"file".equals(location.getProtocol())) return null;
            // A plain path needs no decoding, and parsing the URL as a URI is slow in a
            // fresh JVM; a path with escapes, a host, a query or a fragment is left to the
            // URI (which refuses the last three).
            String path = location.getPath();
            String host = location.getAuthority();
            File file = path.indexOf('%') < 0 && (host == null || host.isEmpty())
                    && location.getQuery() == null && location.getRef() == null
                    ? new File(path) : new File(location.toURI());
            if (!file.isFile()) return null;
            jar = new JarFile(file);
            InputStream record = open(jar, recordName);
            if (record != null) {
                record.close();
                return jar;
            }
        } catch (IOException | URISyntaxException | RuntimeException e) {
            // No jar to read directly (a location File does not take, a security manager's
            // refusal): the resource lookup has the last word.
        }
        if (jar != null) closeQuietly(jar);
        return null;
    }

    /**
     * An entry of the jar, or of this class's resources when there is no jar; null when
     * there is no such entry. The jar looks the entry up by its name alone: its getEntry
     * would first read and parse the manifest, for a Multi-Release attribute that only
     * versioned class files heed.
     */
    private static InputStream open(JarFile jar, String name) throws IOException {
        if (jar == null) return LibraryLoader.class.getResourceAsStream("/" + name);
        try {
            return jar.getInputStream(new ZipEntry(name));
        } catch (NullPointerException e) {
            // What a signed jar's verifier throws for a name the jar does not hold.
            return null;
        }
    }

    private static void closeQuietly(JarFile jar) {
        try {
            jar.close();
        } catch (IOException e) {
            // Read to the end already: nothing is lost.
        }
    }

    /**
     * The recorded size and CRC-32 of the bundled copy, or null when the jar has none.
     * Throws an IOException when the record is there but cannot be read.
     */
    private static Properties bundledRecord(JarFile jar, String name) throws IOException {
        InputStream in = open(jar, name);
        if (in == null) return null;
        Properties record = new Properties();
        try {
            try {
                record.load(in);
            } finally {
                in.close();
            }
        } catch (IOException e) {
            throw new IOException(name + ": " + describe(e) + " (damaged jar?)", e);
        } catch (IllegalArgumentException e) {
            // A malformed unicode escape.
            throw new IOException(name + ": " + e.getMessage() + " (damaged jar?)", e);
        }
        return record;
    }

    /**
     * Writes the bundled copy into a new private folder below {@code base}, checks it
     * against its record, loads it and removes it again with the folder.
     *
     * <p>The files are handled through {@link File}, whose classes every JVM has loaded
     * before its first class: a first load that went through the channel and copy classes
     * of {@code java.nio.file} would load them for this alone. Only the folder is made
     * through {@link Files}, the one way Java has to create it with its permissions.
     */
    private static void extractAndLoad(JarFile jar, String resource, Properties record, Path base)
            throws IOException {
        long size;
        long crc32;
        try {
            size = Long.parseLong(record.getProperty("size", ""));
            crc32 = Long.parseLong(record.getProperty("crc32", ""), 16);
        } catch (NumberFormatException e) {
            size = -1;
            crc32 = -1;
        }
        if (size < 0 || crc32 < 0 || crc32 > 0xffffffffL) {
            throw new IOException("the jar records no valid size and CRC-32 for " + resource
                    + " (damaged jar?)");
        }

        File folder = createPrivateFolder(base).toFile();
        File part = new File(folder, FILE_NAME + ".part");
        File library = new File(folder, FILE_NAME);
        try {
            InputStream in = open(jar, resource);
            if (in == null) throw new IOException(resource + " is missing from the jar");
            long written;
            try {
                createOwnerOnly(part);
                written = copy(in, part, size);
            } finally {
                in.close();
            }
            long onDisk = part.length();
            if (onDisk != size) {
                throw new IOException(part + " holds " + onDisk + " bytes, the jar records " + size
                        + " (damaged jar?)");
            }
            if (written != crc32) {
                throw new IOException(resource + " has CRC-32 " + Long.toHexString(written)
                        + ", the jar records " + Long.toHexString(crc32) + " (damaged jar?)");
            }
            // Only a complete, verified file ever carries the library's name: rename(2),
            // atomic, within the folder.
            if (!part.renameTo(library)) {
                throw new IOException(part + " could not be renamed to " + FILE_NAME);
            }
            System.load(library.getPath());
        } finally {
            // Once mapped, the library needs no file: nothing is left behind, loaded or not.
            removeQuietly(part);
            removeQuietly(library);
            removeQuietly(folder);
        }
    }

    /**
     * Creates the file, failing if the name exists (O_EXCL), and makes it readable and
     * writable by the user only before a byte is written. It is created with the umask's
     * permissions first, but inside a folder that no one else may enter, write or list
     * from its creation on, so no other user ever reaches it.
     */
    private static void createOwnerOnly(File file) throws IOException {
        if (!file.createNewFile()) throw new IOException(file + " exists already");
        if (!(file.setReadable(false, false) && file.setWritable(false, false)
                && file.setReadable(true, true) && file.setWritable(true, true))) {
            throw new IOException("the permissions of " + file + " could not be set to the user's only");
        }
    }

    /**
     * Removes a file or an empty folder if it is there. A failure, a security manager's
     * refusal included, is not reported: it must not turn a library that loaded into an
     * error, nor hide why one did not.
     */
    private static void removeQuietly(File file) {
        try {
            file.delete();
        } catch (SecurityException e) {
            // Nothing more to do: the name stays, in a folder no one else may enter.
        }
    }

    /**
     * Makes a new folder below {@code base} that only the user may enter, created with
     * those permissions (never more than they allow, whatever the umask). mkdir fails on
     * any existing name, a link included, so a name taken by someone else is skipped, never
     * entered. (Names are not drawn from SecureRandom: seeding it would cost more than the
     * whole extraction.)
     */
    private static Path createPrivateFolder(Path base) throws IOException {
        // A plain set: an EnumSet, or parsing "rwx------", would first have the JVM find
        // the enum's constants by reflection.
        FileAttribute<Set<PosixFilePermission>> ownerOnly = PosixFilePermissions.asFileAttribute(
                new HashSet<PosixFilePermission>(Arrays.asList(PosixFilePermission.OWNER_READ,
                        PosixFilePermission.OWNER_WRITE, PosixFilePermission.OWNER_EXECUTE)));
        long stamp = System.nanoTime();
        FileAlreadyExistsException taken = null;
        for (int attempt = 0; attempt < 100; attempt++) {
            Path folder = base.resolve("quonvop4j-" + Long.toHexString(stamp + attempt * 7919L));
            try {
                return Files.createDirectory(folder, ownerOnly);
            } catch (FileAlreadyExistsException e) {
                taken = e;
            }
        }
        throw new IOException("no free folder name below " + base, taken);
    }

    /**
     * Copies the entry into the file, at most one byte more than recorded (enough to tell a
     * longer entry), and returns the CRC-32 of what was written.
     */
    private static long copy(InputStream in, File file, long size) throws IOException {
        CRC32 crc = new CRC32();
        byte[] buffer = new byte[64 * 1024];
        long total = 0;
        try {
            // A plain stream: the JVM has its classes loaded already, unlike a channel's,
            // and on Java 8 it does not give up when the loading thread is interrupted.
            OutputStream out = new FileOutputStream(file);
            try {
                int n;
                // Each read asks for no more than what is left of size + 1 bytes.
                while (total <= size && (n = in.read(buffer, 0,
                        (int) Math.min(buffer.length - 1, size - total) + 1)) > 0) {
                    out.write(buffer, 0, n);
                    crc.update(buffer, 0, n);
                    total += n;
                }
            } finally {
                out.close();
            }
        } catch (IOException e) {
            throw new IOException("copying the library to " + file + ": " + e.getMessage(), e);
        }
        return crc.getValue();
    }

    private static String describe(Throwable e) {
        String message = e.getMessage();
        String kind = e.getClass().getSimpleName();
        return message == null ? kind : kind + ": " + message;
    }

    private static UnsatisfiedLinkError failure(List<String> tried, Throwable cause, String remedy) {
        StringBuilder text = new StringBuilder(FILE_NAME + " could not be loaded; tried: ");
        for (int i = 0; i < tried.size(); i++) {
            if (i > 0) text.append("; ");
            text.append(i + 1).append(". ").append(tried.get(i));
        }
        text.append(". To change this, ").append(remedy).append('.');
        UnsatisfiedLinkError error = new UnsatisfiedLinkError(text.toString());
        if (cause != null) error.initCause(cause);
        return error;
    }
}
