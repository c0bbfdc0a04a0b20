-- The sample database of the README's first session: the mail accounts of the Demo command's
-- transcript, the providers that serve them, and their messages.
-- Declared types choose how values are shown: DATETIME as a date, BOOLEAN as True or False,
-- DECIMAL as a number with six decimals, BLOB as <Binary>.

PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE Account (
  ID        INTEGER PRIMARY KEY,
  Account   TEXT NOT NULL,
  User      TEXT,
  Password  TEXT,
  SetupDate DATETIME,
  pop3      TEXT,
  smtp      TEXT,
  Type      INTEGER NOT NULL DEFAULT 0
);

INSERT INTO Account VALUES
  (1, 'qltest@brightpost.example', NULL, '583920', '2003-10-01 00:00:00',
   'pop.brightpost.example', 'smtp.brightpost.example', 0),
  (2, 'qltest@harborline.example', NULL, '583920', '2003-10-01 00:00:00',
   'pop3.harborline.example', 'mail.harborline.example', 0),
  (3, 'orders@lindenmill.example', 'orders', 'w1nter-07', '2004-03-02 14:05:09',
   'pop.lindenmill.example', 'smtp.lindenmill.example', 1),
  (4, 'news@brightpost.example', 'newsdesk', NULL, '2005-11-30 08:30:00',
   'pop.brightpost.example', 'smtp.brightpost.example', 2),
  (5, 'archive@harborline.example', NULL, '', NULL,
   'pop3.harborline.example', 'mail.harborline.example', 0);

CREATE TABLE MailProvider (
  Name       TEXT PRIMARY KEY,
  Pop3Port   SMALLINT NOT NULL,
  SmtpPort   SMALLINT NOT NULL,
  UsesTls    BOOLEAN NOT NULL,
  MonthlyFee DECIMAL(6, 2)
);

INSERT INTO MailProvider VALUES
  ('brightpost.example', 995, 465, 1, 4.5),
  ('harborline.example', 110, 25, 0, 0),
  ('lindenmill.example', 995, 587, 1, 12.25);

CREATE TABLE Message (
  ID        INTEGER PRIMARY KEY,
  AccountID INTEGER NOT NULL REFERENCES Account (ID),
  Subject   TEXT,
  Received  DATETIME,
  Size      INTEGER,
  Header    BLOB
);

INSERT INTO Message VALUES
  (1, 1, 'Welcome to Brightpost', '2003-10-01 09:12:44', 2048, X'52657475726E2D50617468'),
  (2, 1, 'Your invoice for October', '2003-10-31 23:59:00', 15360, NULL),
  (3, 2, 'Harbourline service notice', '2003-10-02 07:00:00', 912, NULL),
  (4, 3, 'Order 1042 shipped', '2004-03-03 10:20:30', 4403, NULL);

-- Accounts with the provider that serves their mailbox.
CREATE VIEW AccountProvider AS
  SELECT a.ID, a.Account, p.Name AS Provider, p.UsesTls
  FROM Account AS a JOIN MailProvider AS p ON a.Account LIKE '%@' || p.Name;

COMMIT;
