// The demonstration catalogue served for a test: the site assembled by scripts/demo-site in the
// build folder, lighttpd on a free loopback port, and Debian's Chromium driven by playwright-core.
import { spawn, execFileSync } from 'node:child_process';
import { mkdirSync, existsSync, readFileSync } from 'node:fs';
import net from 'node:net';
import path from 'node:path';

export const sourceDir = path.resolve(process.env.ZARIX_SOURCE_DIR || new URL('../..', import.meta.url).pathname);
export const buildDir = path.resolve(process.env.ZARIX_BINARY_DIR || path.join(sourceDir, 'build'));
export const screenshotDir = path.join(buildDir, 'e2e-screenshots');

export function requireFile(file, hint) {
  if (!existsSync(file)) throw new Error(`${file} is missing: ${hint}`);
  return file;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function waitForPort(port, child, seconds) {
  const until = Date.now() + seconds * 1000;
  while (Date.now() < until) {
    if (child.exitCode !== null) throw new Error(`lighttpd ended with ${child.exitCode}`);
    const ok = await new Promise((resolve) => {
      const s = net.connect(port, '127.0.0.1', () => { s.end(); resolve(true); });
      s.once('error', () => resolve(false));
    });
    if (ok) return;
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error(`lighttpd did not listen on port ${port} within ${seconds} s`);
}

// Assembles the site (its own folder, so that a running scripts/demo is not disturbed) and
// starts lighttpd. Returns { base, site, stop }.
export async function startSite(name = 'e2e-site') {
  const site = path.join(buildDir, name);
  const port = await freePort();
  execFileSync(path.join(sourceDir, 'scripts/demo-site'), [site, buildDir, String(port)], {
    stdio: ['ignore', 'inherit', 'inherit'],
  });
  const lighttpd = ['/usr/sbin/lighttpd', '/usr/bin/lighttpd'].find(existsSync);
  if (!lighttpd) throw new Error('lighttpd is not installed: run scripts/bootstrap');
  const child = spawn(lighttpd, ['-D', '-f', path.join(site, 'lighttpd.conf')], {
    stdio: ['ignore', 'inherit', 'inherit'],
  });
  await waitForPort(port, child, 10);
  return {
    base: `http://127.0.0.1:${port}`,
    site,
    stop: () => new Promise((resolve) => {
      if (child.exitCode !== null) return resolve();
      child.once('exit', resolve);
      child.kill('SIGTERM');
    }),
  };
}

export async function launchBrowser() {
  const modules = path.join(sourceDir, 'tests/e2e/node_modules');
  requireFile(path.join(modules, 'playwright-core/package.json'),
    'the browser-test packages are not installed: run scripts/bootstrap (npm ci in tests/e2e)');
  const { chromium } = await import(path.join(modules, 'playwright-core/index.mjs'));
  const executablePath = requireFile('/usr/bin/chromium', 'Debian\'s chromium is not installed: run scripts/bootstrap');
  // Chromium refuses to run as root inside its sandbox (CI runs as root).
  const args = process.getuid?.() === 0 || process.env.CI ? ['--no-sandbox'] : [];
  return chromium.launch({ executablePath, args, headless: true });
}

export function axeSource() {
  const file = path.join(sourceDir, 'tests/e2e/node_modules/axe-core/axe.min.js');
  return readFileSync(requireFile(file, 'run scripts/bootstrap (npm ci in tests/e2e)'), 'utf8');
}

export async function screenshot(page, name) {
  mkdirSync(screenshotDir, { recursive: true });
  await page.screenshot({ path: path.join(screenshotDir, `${name}.png`), fullPage: true });
}
